// "Rátöltés" end to end: the window on the real port code, over a
// pseudo-terminal served in the same process by the simulated reader. What
// the reader heard and what its memory holds afterwards are checked against
// the house file.
#include "harness.h"
#include "uploadfixtures.h"
#include "housefixtures.h"
#include "openedhouse.h"
#include "house/housefile.h"
#include "reader/serialport.h"
#include "reader/upload.h"
#include "simreader/ptyserver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

using Answer = Dialogs::Answer;

using namespace uploadfixtures;

namespace {
QByteArray memoryOf(const QByteArray &house)
{
    QByteArray out;
    for (int slot = 1; slot <= 1365; ++slot)
        out += recordBytes(house, slot);
    return out;
}
} // namespace

// The window with port 201 open on a simulated reader and haz.txt opened
// with "Szerkesztés".
struct Bench
{
    QTemporaryDir ports;
    std::unique_ptr<PtyServer> server;
    std::unique_ptr<SystemPortCatalogue> catalogue;
    Harness h;
    QStringList text3;           // Text3 when the reader heard each frame
    QList<qint64> heardAtMs;     // when it heard each frame
    QElapsedTimer clock;

    bool start(const QByteArray &house, const ReaderOptions &options, const Timing &timing = Timing())
    {
        server = std::make_unique<PtyServer>(options);
        server->setLinkDirectory(ports.path());
        server->setPortNumber(201);
        QString error;
        if (!server->start(&error)) {
            qWarning() << error;
            return false;
        }
        // A memory that differs from every house the tests upload.
        for (int slot = 1; slot <= 1365; ++slot)
            server->model().setSlotRecord(slot, QStringLiteral("123456789ABC"));
        catalogue = std::make_unique<SystemPortCatalogue>(ports.path());
        h.services.ports = catalogue.get();
        h.saveDataFolder();
        h.settings->setValue(QStringLiteral("alap"), QStringLiteral("comm"), QStringLiteral("port"),
                             QStringLiteral("201"));
        if (!h.start(timing) || !h.form->reader().isOpen())
            return false;
        h.form->show();
        h.dialogs.clear();
        h.writeFile(QStringLiteral("haz.txt"), house);
        fixtures::openHouse(h, h.path(QStringLiteral("haz.txt")));
        if (!h.ui().List2->isVisible() || !h.dialogs.unexpected().isEmpty())
            return false;
        h.dialogs.clear();
        clock.start();
        QObject::connect(server.get(), &PtyServer::frameReceived, server.get(), [this](const QByteArray &) {
            text3 << h.ui().Text3->text();
            heardAtMs << clock.elapsed();
        });
        return true;
    }

    void clickUpload()
    {
        h.dialogs.answer(Answer::Ok);
        QTest::mouseClick(h.ui().Command1, Qt::LeftButton);
    }

    bool waitForEnd(int timeoutMs = 60000)
    {
        QElapsedTimer waited;
        waited.start();
        while (h.form->state().uploadRunning == 1 && waited.elapsed() < timeoutMs)
            QTest::qWait(5);
        return h.form->state().uploadRunning == 0;
    }
};

class TstUploadE2e : public QObject
{
    Q_OBJECT

    static void verifyEnded(Bench &b)
    {
        Harness &h = b.h;
        QCOMPARE(h.form->state().uploadRunning, qint16(0));
        QVERIFY(!h.form->reader().timer1().isActive());
        QVERIFY(!h.form->upload().houseFileOpen());
        QCOMPARE(h.ui().ProgressBar1->value(), 0);
        QCOMPARE(h.ui().Text3->text(), QString());
        QVERIFY(h.ui().List5->isEnabled());
        QVERIFY(h.ui().List6->isEnabled());
        QVERIFY(h.dialogs.unexpected().isEmpty());
    }

private slots:
    void allEmptyHouseFrameByFrame()
    {
        Bench b;
        QVERIFY(b.start(QByteArray(16392, 'F'), ReaderOptions()));
        b.clickUpload();
        QVERIFY(b.waitForEnd());
        QCOMPARE(b.h.dialogs.messageTexts(), (QStringList{Confirm, Done}));
        const QList<QByteArray> frames = b.server->receivedFrames();
        QCOMPARE(frames.size(), 1365);
        for (int slot = 1; slot <= 1365; ++slot)
            QCOMPARE(frames.at(slot - 1), writeFrame(QByteArray(6, char(0xFF)), slot));
        QCOMPARE(frames.first().toHex(), QByteArray("01ffffffffffff00000601"));
        QCOMPARE(frames.last().mid(7, 2).toHex(), QByteArray("1ff8"));
        QCOMPARE(b.text3.size(), 1365);
        QCOMPARE(b.text3.first(), QStringLiteral("1"));
        QCOMPARE(b.text3.last(), QStringLiteral("1365"));
        for (int i = 0; i < b.text3.size(); ++i)
            QCOMPARE(b.text3.at(i), QString::number(i + 1));
        QCOMPARE(b.server->model().memory(), QByteArray(8190, char(0xFF)));
        verifyEnded(b);
        QTest::qWait(100);
        QCOMPARE(b.server->receivedFrames().size(), 1365);
    }

    void variedCodesLandInTheReaderMemory()
    {
        Bench b;
        QByteArray house = openedhouse::houseWithCodes(21);
        house.replace(1233 * 12, 12, "0A1B2C3D4E05");
        house.replace(17 * 12, 12, "00000000000a");
        QVERIFY(b.start(house, ReaderOptions()));
        b.clickUpload();
        QVERIFY(b.waitForEnd());
        QCOMPARE(b.h.dialogs.messageTexts(), (QStringList{Confirm, Done}));
        QCOMPARE(b.server->model().memory(), memoryOf(house));
        QCOMPARE(b.server->model().records(), openedhouse::recordsOf(house.toUpper()).mid(0, 1365));
        QCOMPARE(b.server->receivedFrames().at(1233).toHex(), QByteArray("010a1b2c3d4e051ce606ea"));
        QCOMPARE(b.server->model().storedWrites(), 1365);
        QCOMPARE(b.h.readFile(QStringLiteral("haz.txt")), house);
        verifyEnded(b);
    }

    void readerRefusingSlot700()
    {
        Bench b;
        const QByteArray house = openedhouse::houseWithCodes(22);
        ReaderOptions options;
        options.refuseSlot = 700;
        QVERIFY(b.start(house, options));
        b.clickUpload();
        QVERIFY(b.waitForEnd());
        QCOMPARE(b.h.dialogs.messageTexts(), (QStringList{Confirm, Refused}));
        QCOMPARE(b.server->receivedFrames().size(), 700);
        QCOMPARE(b.server->receivedFrames().last(), writeFrame(recordBytes(house, 700), 700));
        QCOMPARE(b.server->model().memory().left(699 * 6), memoryOf(house).left(699 * 6));
        QCOMPARE(b.server->model().slotRecord(700), QStringLiteral("123456789ABC"));
        verifyEnded(b);
        // The read-out starts at once.
        b.h.dialogs.clear();
        b.h.dialogs.answer(Answer::Cancel);
        QTest::mouseClick(b.h.ui().Command6, Qt::LeftButton);
        QCOMPARE(b.h.dialogs.messageTexts(),
                 QStringList{QStringLiteral("Adja meg a ház címét ahova a kiolvasott adatok kerüljenek!")});
    }

    // The one run on the real 500 ms interval: about 10 s.
    void silentReaderInRealTime()
    {
        Bench b;
        ReaderOptions options;
        options.silent = true;
        QVERIFY(b.start(openedhouse::houseWithCodes(23), options));
        b.clickUpload();
        const qint64 started = b.clock.elapsed();
        QVERIFY(b.waitForEnd(20000));
        const qint64 ended = b.clock.elapsed();
        QCOMPARE(b.h.dialogs.messageTexts(), (QStringList{Confirm, GaveUp}));
        const QList<QByteArray> frames = b.server->receivedFrames();
        QCOMPARE(frames.size(), 20);
        for (const QByteArray &frame : frames)
            QCOMPARE(frame, frames.first());
        for (int i = 1; i < b.heardAtMs.size(); ++i) {
            const qint64 gap = b.heardAtMs.at(i) - b.heardAtMs.at(i - 1);
            QVERIFY2(gap >= 450 && gap <= 700, qPrintable(QStringLiteral("gap %1: %2 ms").arg(i).arg(gap)));
        }
        QVERIFY2(ended - started >= 9900 && ended - started <= 12000, qPrintable(QString::number(ended - started)));
        verifyEnded(b);
    }

    void readerAnsweringTheThirdSendThenRefusing()
    {
        Bench b;
        const QByteArray house = openedhouse::houseWithCodes(24);
        ReaderOptions options;
        options.dropFirst = 2;
        options.refuseSlot = 5;
        Timing timing;
        timing.timer1Ms = 60;
        QVERIFY(b.start(house, options, timing));
        b.clickUpload();
        QVERIFY(b.waitForEnd());
        QCOMPARE(b.h.dialogs.messageTexts(), (QStringList{Confirm, Refused}));
        const QList<QByteArray> frames = b.server->receivedFrames();
        QCOMPARE(frames.size(), 15);
        for (int i = 0; i < 15; ++i)
            QCOMPARE(frames.at(i), writeFrame(recordBytes(house, i / 3 + 1), i / 3 + 1));
        for (int slot = 1; slot <= 4; ++slot)
            QCOMPARE(b.server->model().slot(slot), recordBytes(house, slot));
        QCOMPARE(b.server->model().sendsOfSlot(5), 3);
        verifyEnded(b);
    }

    void shortRepliesGiveUpAndLongRepliesGoThrough()
    {
        {
            Bench b;
            ReaderOptions options;
            options.writeReplyLength = ReaderOptions::ShortReplyLength;
            QVERIFY(b.start(openedhouse::houseWithCodes(25), options, Timing::scaled(0.1)));
            b.clickUpload();
            QVERIFY(b.waitForEnd(10000));
            QCOMPARE(b.h.dialogs.messageTexts(), (QStringList{Confirm, GaveUp}));
            QCOMPARE(b.server->receivedFrames().size(), 20);
            QCOMPARE(b.server->model().sendsOfSlot(1), 20);
            verifyEnded(b);
        }
        {
            Bench b;
            const QByteArray house = openedhouse::houseWithCodes(26);
            ReaderOptions options;
            options.writeReplyLength = ReaderOptions::LongReplyLength;
            QVERIFY(b.start(house, options));
            b.clickUpload();
            QVERIFY(b.waitForEnd());
            QCOMPARE(b.h.dialogs.messageTexts(), (QStringList{Confirm, Done}));
            QCOMPARE(b.server->model().memory(), memoryOf(house));
            verifyEnded(b);
        }
    }

    void apartment138WrittenDuringTheRunReachesTheReader()
    {
        Bench b;
        const QByteArray house = openedhouse::houseWithCodes(27);
        QVERIFY(b.start(house, ReaderOptions()));
        const QString path = b.h.path(QStringLiteral("haz.txt"));
        bool written = false;
        QObject::connect(b.server.get(), &PtyServer::frameReceived, b.server.get(), [&] {
            if (b.server->receivedFrames().size() == 3)
                written = bool(house::writeHouseRecord(path, 1240, QStringLiteral("0A1B2C3D4E05")));
        });
        b.clickUpload();
        QVERIFY(b.waitForEnd());
        QVERIFY(written);
        QCOMPARE(b.h.dialogs.messageTexts(), (QStringList{Confirm, Done}));
        QCOMPARE(b.server->model().slotRecord(1240), QStringLiteral("0A1B2C3D4E05"));
        QByteArray expected = house;
        expected.replace(1239 * 12, 12, "0A1B2C3D4E05");
        QCOMPARE(b.server->model().memory(), memoryOf(expected));
        QCOMPARE(b.h.readFile(QStringLiteral("haz.txt")), expected);
    }

    void deviceVanishingMidUpload()
    {
        Bench b;
        QVERIFY(b.start(openedhouse::houseWithCodes(28), ReaderOptions()));
        QObject::connect(b.server.get(), &PtyServer::frameReceived, b.server.get(), [&] {
            if (b.server->receivedFrames().size() == 100)
                QTimer::singleShot(0, b.server.get(), [&] { b.server->closeMaster(); });
        });
        b.clickUpload();
        QVERIFY(b.waitForEnd(10000));
        QTRY_COMPARE(b.h.dialogs.messageTexts().size(), 2);
        const QString message = b.h.dialogs.messageTexts().last();
        QVERIFY2(message.contains(QStringLiteral("201")), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("kódnál megszakadt. Ismételje meg a rátöltést!")), qPrintable(message));
        QVERIFY(!b.h.dialogs.messageTexts().contains(Done));
        verifyEnded(b);
        QVERIFY(!b.h.form->reader().isOpen());
        QVERIFY(b.server->receivedFrames().size() >= 100);
        QVERIFY(b.server->receivedFrames().size() <= 102);
    }

    void houseWithABadCodeSendsNothing()
    {
        Bench b;
        QByteArray house = openedhouse::houseWithCodes(29);
        QVERIFY(b.start(house, ReaderOptions()));
        house.replace(99 * 12, 12, "0A1B2C3D4EZZ");
        b.h.writeFile(QStringLiteral("haz.txt"), house);
        QTest::mouseClick(b.h.ui().Command1, Qt::LeftButton);
        QCOMPARE(b.h.dialogs.messageTexts(),
                 QStringList{QStringLiteral("A(z) 12. lakás kódja hibás: 0A1B2C3D4EZZ. "
                                            "A ház nem tölthető rá a kártya leolvasóra.")});
        QTest::qWait(100);
        QVERIFY(b.server->receivedFrames().isEmpty());
        QCOMPARE(b.server->model().slotRecord(1), QStringLiteral("123456789ABC"));
        verifyEnded(b);
    }
};

QTEST_MAIN(TstUploadE2e)
#include "tst_upload_e2e.moc"

// The read-out and the erase end to end: the window, the real port code and
// the simulated reader on a pseudo-terminal (virtual port 201), all in this
// process; and a whole program killed in the middle of a dump.
#include "harness.h"
#include "readerfixtures.h"
#include "reader/erase.h"
#include "reader/serialport.h"
#include "simreader/ptyserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using Answer = Dialogs::Answer;

namespace {
const QString Done = QStringLiteral("A kódmemória kiolvasása kész.");
const QString TransferError = QStringLiteral("Hiba az átvitelben. Ismételje meg a kódmemória kiolvasását!");
const QString EraseDone = QStringLiteral("A kódmemória törlés kész.");
const QString EraseGiveUp = QStringLiteral("A kódmemória törlés nem sikerült. Ismételje meg!");

// The simulated reader on port 201 and the window opened on it.
struct Bench
{
    explicit Bench(const ReaderOptions &options)
        : server(options)
        , catalogue(portDir.path())
    {
        server.setLinkDirectory(portDir.path());
        server.setPortNumber(201);
        for (int k = 1; k <= 1365; ++k)
            server.model().setSlot(k, fixtures::slotBytes(k));
    }

    bool start(const Timing &timing)
    {
        QString error;
        if (!server.start(&error)) {
            qWarning() << error;
            return false;
        }
        h.services.ports = &catalogue;
        h.saveDataFolder();
        // The machine may have serial ports of its own; 201 is the reader.
        h.settings->setValue(QStringLiteral("alap"), QStringLiteral("comm"), QStringLiteral("port"),
                             QStringLiteral("201"));
        if (!h.start(timing) || !h.form->reader().isOpen()) {
            qWarning() << "window did not open port 201:" << h.dialogs.messageTexts();
            return false;
        }
        h.form->show();
        return h.form->reader().link()->deviceName().endsWith(QStringLiteral("201"));
    }

    void clickReadOut(const QString &name, bool backupQuestion)
    {
        h.dialogs.answer(Answer::Ok);
        h.dialogs.pick(h.path(name));
        if (backupQuestion)
            h.dialogs.answer(Answer::Ok);
        QTest::mouseClick(h.ui().Command6, Qt::LeftButton);
    }

    void erase()
    {
        h.dialogs.answer(Answer::Ok);
        QTest::mouseClick(h.ui().Command17, Qt::LeftButton);
        QTest::keyClicks(h.ui().Text8, Erase::password());
        QTest::keyClick(h.ui().Text8, Qt::Key_Return);
    }

    QTemporaryDir portDir;
    PtyServer server;
    SystemPortCatalogue catalogue;
    Harness h;
};

ReaderOptions paced()
{
    ReaderOptions o;
    o.paced = true;
    return o;
}
} // namespace

class TstReadOutE2E : public QObject
{
    Q_OBJECT

private slots:
    void fullReadOutThroughTheRealPort()
    {
        Bench b{ReaderOptions()};
        QVERIFY(b.start(Timing()));
        const QByteArray old = fixtures::dataHouse(11);
        b.h.writeFile(QStringLiteral("haz.txt"), old);
        b.clickReadOut(QStringLiteral("haz.txt"), true);
        QCOMPARE(b.h.form->state().readOutRunning, qint16(1));
        QTRY_VERIFY_WITH_TIMEOUT(b.h.dialogs.messageTexts().contains(Done), 15000);
        QCOMPARE(b.server.receivedFrames(), QList<QByteArray>{fixtures::readFrame()});
        QCOMPARE(b.h.readFile(QStringLiteral("haz.txt")), fixtures::expectedHouse());
        QCOMPARE(b.h.readFile(QStringLiteral("haz.bak")), old);
        QCOMPARE(b.h.ui().List2->count(), 1518);
        QCOMPARE(b.h.ui().List2->item(1)->text(), QStringLiteral("0A1B2C3D4E05"));
        QCOMPARE(b.h.ui().Text2->text(), b.h.path(QStringLiteral("haz.txt")));
        QVERIFY(b.h.ui().List5->isEnabled());
        QVERIFY(b.h.dialogs.unexpected().isEmpty());
    }

    void longDumpOverTheRealPortIsCut()
    {
        ReaderOptions o;
        o.dumpLength = ReaderOptions::LongDumpLength;
        Bench b{o};
        QVERIFY(b.start(Timing()));
        b.clickReadOut(QStringLiteral("hosszu.txt"), false);
        QTRY_VERIFY_WITH_TIMEOUT(b.h.dialogs.messageTexts().contains(Done), 15000);
        QCOMPARE(b.h.readFile(QStringLiteral("hosszu.txt")), fixtures::expectedHouse());
        QTRY_VERIFY(b.server.isIdle());
        QTest::qWait(50);
        QVERIFY(b.h.form->reader().link()->bytesWaiting() < 15);
    }

    void eraseIsConfirmedThroughTheRealPort()
    {
        ReaderOptions o;
        o.eraseReplyBlocks = 2;
        o.eraseDelayMs = 300;
        Bench b{o};
        QVERIFY(b.start(Timing()));
        b.erase();
        QCOMPARE(b.h.dialogs.messageTexts().size(), 1);
        QVERIFY(b.h.form->erase().waiting());
        QTRY_VERIFY_WITH_TIMEOUT(b.h.dialogs.messageTexts().contains(EraseDone), 5000);
        QCOMPARE(b.server.receivedFrames(), QList<QByteArray>{fixtures::eraseFrame()});
        QCOMPARE(b.server.model().erases(), 1);
        QCOMPARE(b.server.model().slot(1), QByteArray(6, char(0xFF)));
        QVERIFY(!b.h.form->reader().timer3().isActive());
        QVERIFY(b.h.ui().List5->isEnabled());
        QVERIFY(b.h.form->erase().eraseTicks() >= 2);
    }

    void unconfirmedEraseGivesUpScaled()
    {
        ReaderOptions o;
        o.eraseReply = false;
        Bench b{o};
        QVERIFY(b.start(Timing::scaled(0.01)));
        b.erase();
        QTRY_VERIFY_WITH_TIMEOUT(b.h.dialogs.messageTexts().contains(EraseGiveUp), 20000);
        QCOMPARE(b.h.form->erase().eraseTicks(), 302);
        QVERIFY(!b.h.dialogs.messageTexts().contains(EraseDone));
    }

    void shortDumpTimesOutInRealTime()
    {
        // The one real-time time-out: the last byte of a short dump, then the
        // 3 s pause limit.
        ReaderOptions o;
        o.dumpLength = ReaderOptions::ShortDumpLength;
        Bench b{o};
        QVERIFY(b.start(Timing()));
        const QByteArray old = fixtures::dataHouse(12);
        b.h.writeFile(QStringLiteral("rovid.txt"), old);
        b.clickReadOut(QStringLiteral("rovid.txt"), true);
        QTRY_VERIFY_WITH_TIMEOUT(b.h.ui().Text3->text() == QStringLiteral("20000"), 10000);
        QElapsedTimer clock;
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(b.h.dialogs.messageTexts().contains(TransferError), 8000);
        QVERIFY2(clock.elapsed() > 2500 && clock.elapsed() < 4500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(b.h.readFile(QStringLiteral("rovid.txt")), old);
        QVERIFY(!QFileInfo::exists(b.h.path(QStringLiteral("rovid.bak"))));
        QCOMPARE(b.h.form->state().readOutRunning, qint16(0));
        QVERIFY(b.h.ui().List5->isEnabled());
        // A second read-out works at once on the same line.
        b.server.model().options().dumpLength = protocol::DumpLength;
        b.clickReadOut(QStringLiteral("rovid.txt"), true);
        QTRY_VERIFY_WITH_TIMEOUT(b.h.dialogs.messageTexts().contains(Done), 15000);
        QCOMPARE(b.h.readFile(QStringLiteral("rovid.txt")), fixtures::expectedHouse());
        QCOMPARE(b.h.readFile(QStringLiteral("rovid.bak")), old);
    }

    void silentReaderTimesOutScaled()
    {
        ReaderOptions o;
        o.silent = true;
        Bench b{o};
        Timing t;
        t.readOutFirstByteMs = 400;
        QVERIFY(b.start(t));
        b.clickReadOut(QStringLiteral("csend.txt"), false);
        QTRY_VERIFY_WITH_TIMEOUT(b.h.dialogs.messageTexts().contains(TransferError), 5000);
        QCOMPARE(QFileInfo(b.h.path(QStringLiteral("csend.txt"))).size(), 0);
    }

    void vanishingPortMidDumpLeavesTheFiles()
    {
        Bench b{paced()};
        QVERIFY(b.start(Timing()));
        const QByteArray old = fixtures::dataHouse(13);
        const QByteArray oldBackup = fixtures::dataHouse(14);
        b.h.writeFile(QStringLiteral("el.txt"), old);
        b.h.writeFile(QStringLiteral("el.bak"), oldBackup);
        b.clickReadOut(QStringLiteral("el.txt"), true);
        QTRY_VERIFY_WITH_TIMEOUT(b.h.ui().Text3->text().toInt() > 600, 5000);
        b.server.closeMaster();
        QTRY_VERIFY_WITH_TIMEOUT(b.h.form->state().readOutRunning == 0, 5000);
        const QString last = b.h.dialogs.messageTexts().last();
        QVERIFY2(last.contains(QStringLiteral("megszakadt")), qPrintable(last));
        QVERIFY2(last.contains(QStringLiteral("A kódmemória kiolvasása megszakadt")), qPrintable(last));
        QVERIFY(!b.h.form->reader().isOpen());
        QVERIFY(b.h.ui().List5->isEnabled());
        QVERIFY(!b.h.form->reader().timer2().isActive());
        QCOMPARE(b.h.readFile(QStringLiteral("el.txt")), old);
        QCOMPARE(b.h.readFile(QStringLiteral("el.bak")), oldBackup);
        QTest::qWait(200);
        QVERIFY(!b.h.dialogs.messageTexts().contains(Done));
    }

    void killedProgramLeavesTheHouseAndItsBackup_data()
    {
        QTest::addColumn<bool>("overPty");
        QTest::newRow("simulated reader on a pty") << true;
        QTest::newRow("in-memory line") << false;
    }
    void killedProgramLeavesTheHouseAndItsBackup()
    {
        QFETCH(bool, overPty);
        const QString child = QCoreApplication::applicationDirPath() + QStringLiteral("/readout_child");
        QVERIFY2(QFileInfo(child).isExecutable(), qPrintable(child));

        QTemporaryDir work;
        QTemporaryDir portDir;
        PtyServer server(paced());
        for (int k = 1; k <= 1365; ++k)
            server.model().setSlot(k, fixtures::slotBytes(k));
        if (overPty) {
            server.setLinkDirectory(portDir.path());
            server.setPortNumber(201);
            QString error;
            QVERIFY2(server.start(&error), qPrintable(error));
        }
        const QString house = work.filePath(QStringLiteral("haz.txt"));
        const QString backup = work.filePath(QStringLiteral("haz.bak"));
        const QByteArray old = fixtures::dataHouse(21);
        const QByteArray oldBackup = fixtures::dataHouse(22);
        auto write = [](const QString &path, const QByteArray &bytes) {
            QFile f(path);
            return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
        };
        QVERIFY(write(house, old));
        QVERIFY(write(backup, oldBackup));

        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TMPDIR"), work.path()); // the child's own temporary folders
        process.setProcessEnvironment(env);
        process.start(child, {overPty ? portDir.path() : QStringLiteral("memory"), house});
        QVERIFY(process.waitForStarted(5000));
        QByteArray output;
        auto bytesSeen = [&]() -> int {
            output += process.readAllStandardOutput();
            const QList<QByteArray> lines = output.split('\n');
            int seen = 0;
            for (const QByteArray &line : lines)
                if (line.startsWith("bytes "))
                    seen = std::max(seen, line.mid(6).toInt());
            return seen;
        };
        QTRY_VERIFY_WITH_TIMEOUT(bytesSeen() > 3000, 15000);
        QVERIFY(output.contains("waiting"));
        // Mid-dump nothing has been written yet.
        QCOMPARE(readAll(house), old);
        process.kill();
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitStatus(), QProcess::CrashExit);
        QCOMPARE(readAll(house), old);
        QCOMPARE(readAll(backup), oldBackup);
        // No half-written replacement lies about either.
        const QStringList left = QDir(work.path()).entryList({QStringLiteral("haz*")}, QDir::Files);
        QCOMPARE(left, (QStringList{QStringLiteral("haz.bak"), QStringLiteral("haz.txt")}));
    }

private:
    static QByteArray readAll(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

QTEST_MAIN(TstReadOutE2E)
#include "tst_readout_e2e.moc"

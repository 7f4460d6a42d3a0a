// The exchanges end to end: the window on the real port code, the simulated reader on a pseudo-terminal,
// real-time limits, a vanishing device, port discovery; and a whole program killed mid read-out.
#include "openedhouse.h"
#include "readerfixtures.h"
#include "simreader/ptyserver.h"

#include <QElapsedTimer>
#include <QTest>

using namespace fixtures;

// The simulated reader on virtual port 201 and the window opened on it.
struct Bench
{
    QTemporaryDir dir;
    PtyServer server;
    SystemPortCatalogue catalogue{dir.path()};
    Harness h;

    bool start()
    {
        server.setLinkDirectory(dir.path());
        for (int k = 1; k <= 1365; ++k)
            server.model().setSlot(k, fixtures::slotBytes(k));
        h.services.ports = &catalogue;
        h.saveDataFolder();
        h.settings->setValue("alap", "comm", "port", "201");
        if (!server.start() || !h.start() || !h.form->reader().isOpen())
            return false;
        h.form->show();
        return h.form->reader().link()->deviceName() == dir.filePath("201");
    }
    // OK to the questions, haz.txt for the file (or these answers); then `button`.
    void click(QPushButton *button, const QString &answers = "o phaz.txt o")
    {
        h.dialogs.clear();
        h.script(answers);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QString last() const { return h.dialogs.messageTexts().value(h.dialogs.messageTexts().size() - 1); }
    QByteArray files() const { return h.readFile("haz.txt") + h.readFile("haz.bak"); }
};

class TstReaderE2E : public QObject
{
    Q_OBJECT

private slots:
    void readOutEraseAndDiscovery()
    {
        Bench b;
        b.server.model().options().dumpLength = ReaderOptions::ShortDumpLength;
        QVERIFY(b.start());
        const QByteArray old = openedhouse::houseWithCodes(11), oldBackup = openedhouse::houseWithCodes(12);
        b.h.writeFile("haz.txt", old);
        b.h.writeFile("haz.bak", oldBackup);
        // The one real-time time-out: the last byte of a short dump, then the 3 s pause limit.
        b.click(b.h.ui().Command6);
        QTRY_COMPARE_WITH_TIMEOUT(b.h.ui().Text3->text(), "20000", 10000);
        QElapsedTimer clock;
        clock.start();
        QTRY_COMPARE_WITH_TIMEOUT(b.last(), "Hiba az átvitelben. Ismételje meg a kódmemória kiolvasását!", 8000);
        QVERIFY2(clock.elapsed() > 2500 && clock.elapsed() < 4500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(b.files(), old + oldBackup);
        // The whole dump over the same line.
        b.server.model().options().dumpLength = protocol::DumpLength;
        b.click(b.h.ui().Command6);
        QTRY_COMPARE_WITH_TIMEOUT(b.last(), "A kódmemória kiolvasása kész.", 15000);
        QCOMPARE(b.files(), fixtures::expectedHouse() + old);
        // The erase, confirmed in two blocks after a while.
        b.server.model().options().eraseReplyBlocks = 2;
        b.server.model().options().eraseDelayMs = 100;
        b.click(b.h.ui().Command17);
        QTest::keyClicks(b.h.ui().Text8, "DmvX");
        QTest::keyClick(b.h.ui().Text8, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(b.last(), "A kódmemória törlés kész.", 5000);
        QCOMPARE(b.server.model().memory(), QByteArray(8190, char(0xFF)));
        // Port discovery: the port the window holds is not listed, nor can it be opened twice.
        PtyServer other;
        other.setLinkDirectory(b.dir.path());
        other.setPortNumber(203);
        QVERIFY(other.start());
        const QList<int> free = b.catalogue.freePorts(); // the machine may have ports of its own
        QVERIFY(free.contains(203) && !free.contains(202) && !free.contains(201));
        QString error;
        QVERIFY(!b.catalogue.open(201, &error));
        QCOMPARE(error, "A(z) " + b.dir.filePath("201") + " port nem nyitható meg: az eszköz foglalt, vagy egy másik program használja.");
    }

    void upload()
    {
        Bench b;
        QVERIFY(b.start());
        QByteArray house = openedhouse::houseWithCodes(21);
        house.replace(1233 * 12, 12, "0a1b2c3d4e05");
        openedhouse::open(*b.h.form, b.h.path("haz.txt"), house);
        b.click(b.h.ui().Command1);
        QTRY_COMPARE_WITH_TIMEOUT(b.last(), "A rátöltés a PC-ből kész.", 20000);
        QCOMPARE(b.server.model().records(), openedhouse::recordsOf(house.toUpper()).mid(0, 1365));
        QCOMPARE(b.server.receivedFrames().size(), 1365);
        // Revoked (the house holds it in lower case): emptied in the house, then in the reader.
        b.h.writeFile("letiltott.lst", "0A1B2C3D4E\t2024-05-01T10:00:00+02:00\tKód törlése\n");
        b.click(b.h.ui().Command1, "y");
        QTRY_COMPARE_WITH_TIMEOUT(b.last(), "A rátöltés a PC-ből kész.", 20000);
        QVERIFY(!b.server.model().records().join("").contains("0A1B2C3D4E") && b.server.model().slotRecord(1234) == "FFFFFFFFFFFF");
        // The real 500 ms resend interval, then the device vanishes.
        b.server.model().options().silent = true;
        QList<qint64> gaps;
        QElapsedTimer clock;
        connect(&b.server, &PtyServer::frameReceived, this, [&] { gaps << clock.restart(); });
        b.click(b.h.ui().Command1);
        QTRY_COMPARE_WITH_TIMEOUT(gaps.size(), 4, 5000);
        for (qint64 gap : gaps.mid(1))
            QVERIFY2(gap >= 450 && gap <= 700, qPrintable(QString::number(gap)));
        QCOMPARE(b.server.receivedFrames().mid(2730), QList<QByteArray>(4, writeFrame(recordBytes(house, 1), 1)));
        b.server.closeMaster();
        // In our own words, whatever the system's language.
        QTRY_COMPARE_WITH_TIMEOUT(b.last(), "A(z) " + b.dir.filePath("201") + " port megszakadt: az eszköz nem érhető el (kihúzták?).\nVálassza ki újra a portot a Comm listában!\n"
                                  "A rátöltés a(z) 1. kódnál megszakadt. Ismételje meg a rátöltést!", 5000);
    }

    void killedMidDumpLeavesTheHouseAndItsBackup()
    {
        QTemporaryDir work;
        const QMap<QString, QByteArray> before{{"haz.txt", openedhouse::houseWithCodes(21)}, {"haz.bak", openedhouse::houseWithCodes(22)}, {"postas.lst", ""}};
        QVERIFY(QDir(work.path()).mkdir("data"));
        for (auto [name, bytes] : before.asKeyValueRange()) {
            QFile f(work.filePath("data/" + name));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        }
        // Killed 0 to 300 ms into a dump that would take 3 s: the house and its backup are as they were,
        // and no half-written replacement lies beside them.
        const KillLoop loop{"kill_child", {"readout", work.path()}, 3, 300, 1, [&](int) {
            return openedhouse::snapshot(work.filePath("data")) == before ? QString() : QStringLiteral("changed");
        }};
        int rounds = 0;
        const QString problem = loop.run(rounds);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
};

QTEST_MAIN(TstReaderE2E)
#include "tst_reader_e2e.moc"

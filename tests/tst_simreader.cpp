// What the simulated reader does that the program's tests do not drive: the frames it leaves
// unanswered, the bytes it never sends where the program does not look, its noise, line timing
// and framing, and changeSlots.
#include "simreader/ptyserver.h"

#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

using namespace protocol;

class TestSimReader : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void unansweredAndRefusedFrames()
    {
        ReaderModel model;
        const QByteArray good = writeFrame("0A1B2C3D4E05", slotAddress(3));
        QByteArray badSum = good, lead2 = good;
        badSum[10] = char(good.at(10) + 1);
        lead2[0] = 0x02;
        lead2[10] = char(good.at(10) + 1); // its checksum still right
        RequestBytes unknown = readRequestBytes();
        unknown[9] = 0x22;
        for (const QByteArray &frame : {badSum, lead2, tavi(unknown), good.left(10), good + '\0'})
            QVERIFY(model.respond(frame).isEmpty());
        // A write to an address that is no slot's is refused.
        for (quint16 address : {quint16(1), quint16(0x1CE7), EndAddress})
            QVERIFY(!isWriteAcknowledged(model.respond(writeFrame("0A1B2C3D4E05", address))));
        QCOMPARE(model.memory(), QByteArray(SlotCount * SlotBytes, char(0xFF)));
    }

    void repliesCarryTheTestedValuesOnlyWhereTheProgramLooks()
    {
        ReaderModel model;
        QByteArray free; // every byte of a reply the program must not look at
        QSet<QByteArray> replies;
        for (int s = 1; s <= 100; ++s) {
            QByteArray reply = model.respond(writeFrame("FFFFFFFFFFFF", slotAddress(s)));
            replies << reply;
            free += reply.remove(12, 1);
        }
        QCOMPARE(replies.size(), 100); // and they vary
        free += model.respond(eraseFrame()).remove(13, 1);
        QByteArray dump = model.respond(readFrame());
        for (int k = 0; k < SlotCount; ++k)
            dump.remove(k * (BlockLength - SlotBytes) + 1, SlotBytes);
        QVERIFY(!(free + dump).contains(char(WriteSlot)) && !(free + dump).contains(char(EraseMemory)));
    }

    void lineTimingFramingAndNoise()
    {
        PtyServer server;
        ReaderOptions &options = server.model().options();
        options.paced = options.noise = true;
        options.eraseDelayMs = 150;
        server.setLinkDirectory(m_dir.path());
        QVERIFY(server.start());
        QSerialPort port(server.linkPath());
        QVERIFY(port.open(QIODevice::ReadWrite));
        // Noise on an idle line, never with the values the program tests.
        QTRY_VERIFY_WITH_TIMEOUT(port.bytesAvailable() > 0, 3000);
        options.noise = false;
        QTest::qWait(20);
        const QByteArray noise = port.readAll();
        QVERIFY(!noise.contains(char(WriteSlot)) && !noise.contains(char(EraseMemory)));
        // The start of a frame, then a pause: those bytes are dropped.
        const QByteArray frame = writeFrame("0A1B2C3D4E05", slotAddress(9));
        port.write(frame.left(5));
        QTest::qWait(PtyServer::FrameGapMs + 40);
        QElapsedTimer clock;
        clock.start();
        port.write(frame);
        QTRY_COMPARE_WITH_TIMEOUT(port.bytesAvailable(), qint64(BlockLength), 3000);
        QVERIFY2(clock.elapsed() >= 26, qPrintable(QString::number(clock.elapsed()))); // 26 bytes at 9600 baud
        QVERIFY(isWriteAcknowledged(port.readAll()));
        QCOMPARE(server.receivedFrames(), QList<QByteArray>{frame});
        clock.start();
        port.write(eraseFrame());
        QTRY_COMPARE_WITH_TIMEOUT(port.bytesAvailable(), qint64(BlockLength), 3000);
        QVERIFY(clock.elapsed() >= 150);
        server.stop(); // and the port's link goes
        QVERIFY(!QFileInfo(m_dir.filePath("201")).isSymLink());
    }

    // The same seed names the same change, another seed another one; more than 1365 change all.
    void changeSlots()
    {
        for (int count : {9, 5000}) {
            ReaderModel model, twin, otherSeed;
            const QList<int> changed = model.changeSlots(count, 7);
            QCOMPARE(changed.size(), qMin(count, SlotCount));
            QVERIFY(std::is_sorted(changed.begin(), changed.end()));
            for (int s = 1; s <= SlotCount; ++s)
                QCOMPARE(model.slot(s) != twin.slot(s), changed.contains(s));
            QCOMPARE(twin.changeSlots(count, 7), changed);
            QCOMPARE(twin.memory(), model.memory());
            otherSeed.changeSlots(count, 8);
            QVERIFY(otherSeed.memory() != model.memory());
        }
    }
};

QTEST_GUILESS_MAIN(TestSimReader)
#include "tst_simreader.moc"

// The wire protocol without a port: frames byte for byte, reply tests, port names (dumps: where a read-out writes them).
#include "reader/portnames.h"
#include "reader/protocol.h"

#include <QtTest>

using namespace protocol;

class TestProtocol : public QObject
{
    Q_OBJECT

private slots:
    // Each row: what a function of the protocol gave, as text, and what it must give.
    void results_data()
    {
        QTest::addColumn<QString>("got");
        QTest::addColumn<QString>("expected");
        auto hex = [](const QByteArray &frame) { return QString::fromLatin1(frame.toHex().toUpper()); };
        // A reply of `length` bytes of `fill`, one byte set: "acknowledged, erase confirmed" as 0 or 1.
        auto reply = [](int length, char fill, int position, char value) {
            QByteArray b(length, fill);
            b[position - 1] = value;
            return QString::number(isWriteAcknowledged(b)) + QString::number(isEraseConfirmed(b));
        };
        RequestBytes lead2{};
        QVERIFY(writeRequestBytes(QStringLiteral("FFFFFFFFFFFF"), 0, lead2, 0x02));
        QTest::newRow("read") << hex(readFrame()) << "0100000000000000002021";
        QTest::newRow("erase") << hex(eraseFrame()) << "01A6A6A6A6A6A6A6A62152";
        QTest::newRow("read, lead byte 3") << hex(tavi(readRequestBytes(3))) << "0300000000000000002023";
        QTest::newRow("write, lead byte 2") << hex(tavi(lead2)) << "02FFFFFFFFFFFF00000602";
        QTest::newRow("slot 2") << hex(writeFrame(QStringLiteral("123456789ABC"), slotAddress(2))) << "01123456789ABC00060677";
        QTest::newRow("slot 1234") << hex(writeFrame(QStringLiteral("0A1B2C3D4E05"), slotAddress(1234))) << "010A1B2C3D4E051CE606EA";
        QTest::newRow("slot 1365") << hex(writeFrame(QStringLiteral("FFFFFFFFFFFF"), slotAddress(1365))) << "01FFFFFFFFFFFF1FF80618";
        QTest::newRow("lower case") << hex(writeFrame(QStringLiteral("aBcDeF0a0B0c"), 0)) << "01ABCDEF0A0B0C0000068F";
        // Nothing that is not twelve hexadecimal digits becomes a frame.
        for (const char *bad : {"", "0A1B2C3D4E0", "0A1B2C3D4E050", "0A1B2C3D4E0G", "0A1B2C3D4E 5", "+A1B2C3D4E05", "0x1B2C3D4E05", "0A1B2C3D4E0\xD9\xA5"})
            QTest::addRow("refused \"%s\"", bad) << hex(writeFrame(QString::fromUtf8(bad), 0)) << "";
        QTest::newRow("06 in byte 13") << reply(15, 0x00, 13, 0x06) << "10";
        QTest::newRow("15 in byte 13 amid 06: only byte 13 counts") << reply(15, 0x06, 13, 0x15) << "00";
        QTest::newRow("12 bytes of 06") << reply(12, 0x06, 12, 0x06) << "00";
        QTest::newRow("21 in byte 14 of two blocks") << reply(30, 0x00, 14, 0x21) << "01";
        QTest::newRow("21 in byte 29") << reply(30, 0x00, 29, 0x21) << "00";
        QTest::newRow("13 bytes of 21") << reply(13, 0x21, 13, 0x21) << "00";
#ifndef Q_OS_WIN
        QTest::newRow("port 33") << portnames::deviceForPort(33) << "/dev/ttyUSB0";
        QTest::newRow("port 201") << portnames::deviceForPort(201, QStringLiteral("/v")) << "/v/201";
#endif
        QTest::newRow("port 257") << portnames::deviceForPort(257) << "";
    }
    void results()
    {
        QFETCH(QString, got);
        QFETCH(QString, expected);
        QCOMPARE(got, expected);
    }
};

QTEST_APPLESS_MAIN(TestProtocol)
#include "tst_protocol.moc"

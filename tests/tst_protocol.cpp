#include "reader/portnames.h"
#include "reader/protocol.h"

#include <QtTest>

using namespace protocol;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

// A block whose bytes are all `fill`, with the given 1-based positions set.
QByteArray block(quint8 fill, std::initializer_list<std::pair<int, quint8>> bytes, int length = BlockLength)
{
    QByteArray b(length, static_cast<char>(fill));
    for (const auto &[position, value] : bytes)
        b[position - 1] = static_cast<char>(value);
    return b;
}

} // namespace

class TestProtocol : public QObject
{
    Q_OBJECT

private slots:
    void fixedFrames();
    void writeFrames_data();
    void writeFrames();
    void writeFrameTakesBothDigitCases();
    void checksumWrapsModulo256();
    void malformedRecordsAreRefused_data();
    void malformedRecordsAreRefused();
    void leadByteIsHonoured();
    void memoryLayout();
    void writeReplyTest();
    void eraseReplyTest();
    void portNumbersNameDevices();
    void replyTextIsUpperCaseWithLeadingZeros();
    void dumpDecoding();
    void dumpSurplusAndShortfall();
};

void TestProtocol::fixedFrames()
{
    QCOMPARE(readFrame(), hex("0100000000000000002021"));
    QCOMPARE(eraseFrame(), hex("01A6A6A6A6A6A6A6A62152"));
    QCOMPARE(tavi(readRequestBytes()), readFrame());
    QCOMPARE(tavi(eraseRequestBytes()), eraseFrame());
    QCOMPARE(checksum(eraseRequestBytes()), quint8(0x52));
}

void TestProtocol::writeFrames_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QByteArray>("frame");

    QTest::newRow("non-resident slot 1234") << "0A1B2C3D4E05" << 1234 << hex("010A1B2C3D4E051CE606EA");
    QTest::newRow("empty slot 1") << "FFFFFFFFFFFF" << 1 << hex("01FFFFFFFFFFFF00000601");
    QTest::newRow("last slot 1365") << "000000000000" << 1365 << hex("010000000000001FF8061E");
    QTest::newRow("slot 2") << "123456789ABC" << 2 << hex("01123456789ABC00060677");
}

void TestProtocol::writeFrames()
{
    QFETCH(QString, record);
    QFETCH(int, slot);
    QFETCH(QByteArray, frame);

    QCOMPARE(writeFrame(record, slotAddress(slot)), frame);
    RequestBytes bytes{};
    QVERIFY(writeRequestBytes(record, slotAddress(slot), bytes));
    QCOMPARE(tavi(bytes), frame);
    QCOMPARE(frame.size(), FrameLength);
}

void TestProtocol::writeFrameTakesBothDigitCases()
{
    QCOMPARE(writeFrame(QStringLiteral("0a1b2c3d4e05"), 0x1CE6), writeFrame(QStringLiteral("0A1B2C3D4E05"), 0x1CE6));
    QCOMPARE(writeFrame(QStringLiteral("aBcDeF0a0B0c"), 0), hex("01ABCDEF0A0B0C0000068F"));
}

void TestProtocol::checksumWrapsModulo256()
{
    RequestBytes bytes;
    bytes.fill(0xFF);
    QCOMPARE(checksum(bytes), quint8(2550 % 256));
    bytes.fill(0);
    QCOMPARE(checksum(bytes), quint8(0));
    bytes[0] = 0x80;
    bytes[9] = 0x80; // exactly 256
    QCOMPARE(checksum(bytes), quint8(0));
    bytes[5] = 0x07;
    QCOMPARE(checksum(bytes), quint8(7));
    QCOMPARE(quint8(tavi(bytes).at(10)), quint8(7));
}

void TestProtocol::malformedRecordsAreRefused_data()
{
    QTest::addColumn<QString>("record");
    QTest::newRow("empty") << QString();
    QTest::newRow("eleven digits") << "0A1B2C3D4E0";
    QTest::newRow("thirteen digits") << "0A1B2C3D4E050";
    QTest::newRow("letter G") << "0A1B2C3D4E0G";
    QTest::newRow("space") << "0A1B2C3D4E 5";
    QTest::newRow("sign") << "+A1B2C3D4E05";
    QTest::newRow("leading 0x") << "0x1B2C3D4E05";
    QTest::newRow("non-ASCII digit") << QString::fromUtf8("0A1B2C3D4E0\xD9\xA5"); // Arabic-Indic five
}

void TestProtocol::malformedRecordsAreRefused()
{
    QFETCH(QString, record);
    RequestBytes bytes;
    bytes.fill(0x5A);
    const RequestBytes before = bytes;
    QVERIFY(!writeRequestBytes(record, 0, bytes));
    QCOMPARE(bytes, before); // nothing half-filled for a careless caller to send
    QVERIFY(writeFrame(record, 0).isEmpty());
}

void TestProtocol::leadByteIsHonoured()
{
    RequestBytes bytes{};
    QVERIFY(writeRequestBytes(QStringLiteral("FFFFFFFFFFFF"), 0, bytes, 0x02));
    QCOMPARE(bytes[0], quint8(0x02));
    QCOMPARE(tavi(bytes), hex("02FFFFFFFFFFFF00000602"));
    QCOMPARE(readRequestBytes(0x03)[0], quint8(0x03));
    QCOMPARE(eraseRequestBytes(0x03)[0], quint8(0x03));
}

void TestProtocol::memoryLayout()
{
    QCOMPARE(slotAddress(1), quint16(0x0000));
    QCOMPARE(slotAddress(2), quint16(0x0006));
    QCOMPARE(slotAddress(1234), quint16(0x1CE6));
    QCOMPARE(slotAddress(1242), quint16(0x1D16));
    QCOMPARE(slotAddress(1365), quint16(0x1FF8));
    // One past the last slot is the end marker an upload stops at.
    QCOMPARE(slotAddress(SlotCount + 1), EndAddress);

    QCOMPARE(firstSlotOfApartment(1), 1);
    QCOMPARE(lastSlotOfApartment(1), 9);
    QCOMPARE(firstSlotOfApartment(2), 10);
    QCOMPARE(lastSlotOfApartment(2), 18);
    QCOMPARE(firstSlotOfApartment(138), 1234);
    QCOMPARE(lastSlotOfApartment(138), 1242);
    QCOMPARE(slotAddress(firstSlotOfApartment(151)), quint16(0x1FA4));
    QCOMPARE(slotAddress(lastSlotOfApartment(151)), quint16(0x1FD4));
    QCOMPARE(firstSlotOfApartment(152), 1360);
    QCOMPARE(lastSlotOfApartment(152), 1365);
    QCOMPARE(slotAddress(firstSlotOfApartment(152)), quint16(0x1FDA));

    // Every slot belongs to exactly one apartment, in order and without gaps.
    int expected = 1;
    for (int apartment = 1; apartment <= 152; ++apartment) {
        QCOMPARE(firstSlotOfApartment(apartment), expected);
        expected = lastSlotOfApartment(apartment) + 1;
    }
    QCOMPARE(expected, SlotCount + 1);
}

void TestProtocol::writeReplyTest()
{
    // Byte 13 decides, whatever the other fourteen bytes hold.
    QVERIFY(isWriteAcknowledged(block(0x00, {{13, 0x06}})));
    QVERIFY(isWriteAcknowledged(block(0xFF, {{13, 0x06}})));
    QVERIFY(isWriteAcknowledged(block(0x21, {{13, 0x06}, {14, 0x21}, {1, 0x15}})));

    QVERIFY(!isWriteAcknowledged(block(0x00, {{14, 0x06}})));
    QVERIFY(!isWriteAcknowledged(block(0x00, {{12, 0x06}})));
    QVERIFY(!isWriteAcknowledged(block(0x06, {{13, 0x15}})));
    QVERIFY(!isWriteAcknowledged(block(0x00, {{13, 0x60}})));
    QVERIFY(!isWriteAcknowledged(QByteArray(12, 0x06)));
    QVERIFY(!isWriteAcknowledged(QByteArray()));
}

void TestProtocol::eraseReplyTest()
{
    QVERIFY(isEraseConfirmed(block(0x00, {{14, 0x21}}, 2 * BlockLength)));
    QVERIFY(isEraseConfirmed(block(0xFF, {{14, 0x21}})));

    // 21 in the second block's byte 14 (byte 29 overall) does not count.
    QVERIFY(!isEraseConfirmed(block(0x00, {{29, 0x21}}, 2 * BlockLength)));
    QVERIFY(!isEraseConfirmed(block(0x00, {{13, 0x21}})));
    QVERIFY(!isEraseConfirmed(block(0x00, {{14, 0x06}})));
    QVERIFY(!isEraseConfirmed(QByteArray(13, 0x21)));
    QVERIFY(!isEraseConfirmed(QByteArray()));
}

void TestProtocol::replyTextIsUpperCaseWithLeadingZeros()
{
    QCOMPARE(replyText(hex("000A0Fab")), QStringLiteral("000A0FAB"));
    QCOMPARE(replyText(block(0x00, {{13, 0x06}})).mid(24, 2), QStringLiteral("06"));
    QCOMPARE(replyText(block(0x00, {{13, 0x06}})).size(), 30);
    QCOMPARE(recordFromBytes(hex("0A1B2C3D4E05")), QStringLiteral("0A1B2C3D4E05"));
    QCOMPARE(recordFromBytes(hex("000102030405")), QStringLiteral("000102030405"));
}

void TestProtocol::dumpDecoding()
{
    QByteArray dump(DumpLength, '\0');
    // Every byte outside 2..7 of a block is noise that must not leak into a record.
    for (int i = 0; i < dump.size(); ++i)
        dump[i] = static_cast<char>(0xC0 + i % 7);
    for (int k = 1; k <= SlotCount; ++k) {
        for (int j = 0; j < SlotBytes; ++j)
            dump[(k - 1) * BlockLength + 1 + j] = static_cast<char>((k * 7 + j) & 0xFF);
    }
    dump.replace(1, 6, hex("0A1B2C3D4E05"));
    dump.replace((SlotCount - 1) * BlockLength + 1, 6, hex("01020304050A"));
    // Block 1366 carries something that looks like a code: it must be ignored.
    dump.replace(SlotCount * BlockLength + 1, 6, hex("123456789ABC"));

    const QStringList records = decodeDump(dump);
    QCOMPARE(records.size(), DumpBlocks);
    QCOMPARE(records.first(), QStringLiteral("0A1B2C3D4E05"));
    QCOMPARE(records.at(SlotCount - 1), QStringLiteral("01020304050A"));
    QCOMPARE(records.last(), QStringLiteral("FFFFFFFFFFFF"));
    for (int k = 2; k < SlotCount; ++k) {
        QString expected;
        for (int j = 0; j < SlotBytes; ++j)
            expected += QStringLiteral("%1").arg((k * 7 + j) & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
        QCOMPARE(records.at(k - 1), expected);
    }
}

void TestProtocol::dumpSurplusAndShortfall()
{
    QByteArray dump(DumpLength, static_cast<char>(0x11));
    const QStringList exact = decodeDump(dump);
    QCOMPARE(exact.size(), DumpBlocks);
    QCOMPARE(exact.first(), QStringLiteral("111111111111"));

    QCOMPARE(decodeDump(dump + QByteArray(5, static_cast<char>(0x22))), exact);
    QVERIFY(decodeDump(dump.left(DumpLength - 1)).isEmpty());
    QVERIFY(decodeDump(QByteArray()).isEmpty());
}

void TestProtocol::portNumbersNameDevices()
{
#ifdef Q_OS_WIN
    QCOMPARE(portnames::deviceForPort(1), QStringLiteral("COM1"));
    QCOMPARE(portnames::deviceForPort(256), QStringLiteral("COM256"));
#else
    QCOMPARE(portnames::deviceForPort(33), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(portnames::deviceForPort(256, QStringLiteral("/v")), QStringLiteral("/v/256"));
#endif
    QCOMPARE(portnames::deviceForPort(0), QString());
    QCOMPARE(portnames::deviceForPort(257), QString());
}

QTEST_APPLESS_MAIN(TestProtocol)
#include "tst_protocol.moc"

#include "reader/protocol.h"

namespace protocol {

namespace {

// One hexadecimal digit, either case; -1 for anything else. Done by hand
// rather than with QString::toInt so that signs, spaces or a "0x" prefix can
// never slip through as a valid card code.
int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

RequestBytes filledRequest(quint8 lead, quint8 fill, quint8 command)
{
    RequestBytes bytes;
    bytes.fill(fill);
    bytes[0] = lead;
    bytes[9] = command;
    return bytes;
}

} // namespace

quint8 checksum(const RequestBytes &bytes)
{
    unsigned sum = 0;
    for (quint8 b : bytes)
        sum += b;
    return static_cast<quint8>(sum % 256);
}

QByteArray tavi(const RequestBytes &bytes)
{
    QByteArray frame;
    frame.reserve(FrameLength);
    for (quint8 b : bytes)
        frame.append(static_cast<char>(b));
    frame.append(static_cast<char>(checksum(bytes)));
    return frame;
}

RequestBytes readRequestBytes(quint8 lead)
{
    return filledRequest(lead, 0x00, ReadMemory);
}

RequestBytes eraseRequestBytes(quint8 lead)
{
    return filledRequest(lead, 0xA6, EraseMemory);
}

bool writeRequestBytes(const QString &record, quint16 address, RequestBytes &out, quint8 lead)
{
    if (record.size() != SlotBytes * 2)
        return false;
    RequestBytes bytes;
    bytes[0] = lead;
    for (int i = 0; i < SlotBytes; ++i) {
        const int high = hexDigit(record.at(2 * i));
        const int low = hexDigit(record.at(2 * i + 1));
        if (high < 0 || low < 0)
            return false;
        bytes[1 + i] = static_cast<quint8>(high * 16 + low);
    }
    bytes[7] = static_cast<quint8>(address >> 8);
    bytes[8] = static_cast<quint8>(address & 0xFF);
    bytes[9] = WriteSlot;
    out = bytes;
    return true;
}

QByteArray readFrame()
{
    return tavi(readRequestBytes());
}

QByteArray eraseFrame()
{
    return tavi(eraseRequestBytes());
}

QByteArray writeFrame(const QString &record, quint16 address)
{
    RequestBytes bytes;
    if (!writeRequestBytes(record, address, bytes))
        return QByteArray();
    return tavi(bytes);
}

quint16 slotAddress(int slot)
{
    return static_cast<quint16>(SlotBytes * (slot - 1));
}

int firstSlotOfApartment(int apartment)
{
    return 9 * (apartment - 1) + 1;
}

int lastSlotOfApartment(int apartment)
{
    // The memory ends inside apartment 152, which therefore has six slots.
    const int last = 9 * apartment;
    return last > SlotCount ? SlotCount : last;
}

bool isWriteAcknowledged(const QByteArray &block)
{
    return block.size() >= 13 && static_cast<quint8>(block.at(12)) == WriteSlot;
}

bool isEraseConfirmed(const QByteArray &blocks)
{
    return blocks.size() >= 14 && static_cast<quint8>(blocks.at(13)) == EraseMemory;
}

QString replyText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

QString recordFromBytes(const QByteArray &sixBytes)
{
    return replyText(sixBytes.left(SlotBytes));
}

QStringList decodeDump(const QByteArray &dump)
{
    QStringList records;
    if (dump.size() < DumpLength)
        return records;
    records.reserve(DumpBlocks);
    for (int k = 0; k < SlotCount; ++k)
        records.append(recordFromBytes(dump.mid(k * BlockLength + 1, SlotBytes)));
    // Block 1366 carries no slot; the house file's last record is always empty.
    records.append(QStringLiteral("FFFFFFFFFFFF"));
    return records;
}

QList<SlotDifference> differingSlots(const QStringList &readerRecords, const QStringList &houseRecords)
{
    QList<SlotDifference> out;
    for (int slot = 1; slot <= SlotCount; ++slot) {
        const QString reader = readerRecords.value(slot - 1);
        const QString house = houseRecords.value(slot - 1);
        RequestBytes fromReader{}, fromHouse{};
        const quint16 address = slotAddress(slot);
        const bool same = writeRequestBytes(reader, address, fromReader) && writeRequestBytes(house, address, fromHouse)
                          && fromReader == fromHouse;
        if (same)
            continue;
        const int apartment = (slot - 1) / 9 + 1;
        out << SlotDifference{slot, apartment, slot - firstSlotOfApartment(apartment) + 1, reader, house};
    }
    return out;
}

} // namespace protocol

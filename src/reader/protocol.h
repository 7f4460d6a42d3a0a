#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>

// The card reader's wire protocol and code-memory layout. No ports here.
namespace protocol {

constexpr int FrameLength = 11;
constexpr int BlockLength = 15;
constexpr int SlotCount = 1365;
constexpr int SlotBytes = 6;
constexpr int DumpBlocks = 1366;
constexpr int DumpLength = DumpBlocks * BlockLength; // 20490
constexpr quint16 EndAddress = 0x1FFE;
constexpr quint8 LeadByte = 0x01;

enum Command : quint8 { WriteSlot = 0x06, ReadMemory = 0x20, EraseMemory = 0x21 };

// Bytes 1 to 10 of a request; the checksum is byte 11.
using RequestBytes = std::array<quint8, 10>;

quint8 checksum(const RequestBytes &bytes);
// Assembles the 11-byte frame from the ten request bytes.
QByteArray tavi(const RequestBytes &bytes);

RequestBytes readRequestBytes(quint8 lead = LeadByte);
RequestBytes eraseRequestBytes(quint8 lead = LeadByte);
// False when the record is not 12 hexadecimal digits (upper or lower case).
bool writeRequestBytes(const QString &record, quint16 address, RequestBytes &out, quint8 lead = LeadByte);

QByteArray readFrame();
QByteArray eraseFrame();
QByteArray writeFrame(const QString &record, quint16 address); // empty when the record is not hex

quint16 slotAddress(int slot);        // 6(s-1)
int firstSlotOfApartment(int apartment);
int lastSlotOfApartment(int apartment);

// Replies.
bool isWriteAcknowledged(const QByteArray &block); // byte 13 == 06
bool isEraseConfirmed(const QByteArray &blocks);   // byte 14 of the first block == 21
QString replyText(const QByteArray &bytes);         // two upper-case hex digits per byte
QString recordFromBytes(const QByteArray &sixBytes);
// The 1366 records of a dump of at least 20490 bytes (block 1366 gives "FFFFFFFFFFFF");
// bytes past 20490 are ignored, and a shorter dump gives an empty list.
QStringList decodeDump(const QByteArray &dump);

// One slot whose content in the reader is not what the house would send.
struct SlotDifference
{
    int slot = 0;              // 1 to 1365
    int apartment = 0;         // 1 to 152
    int slotInApartment = 0;   // 1 to 9
    QString readerRecord;      // as the read-out stores it
    QString houseRecord;       // as the house file holds it
};
// Compares slots 1 to 1365 byte for byte as a write frame would carry them
// (hex digits of either case give the same bytes). Records beyond either
// list, or a house record that is not hex, count as differing.
QList<SlotDifference> differingSlots(const QStringList &readerRecords, const QStringList &houseRecords);

} // namespace protocol

#pragma once
#include "harness.h"

// Reader data built without the program's own decoding, so that a fault there cannot hide itself.
namespace fixtures {

// Slot k's six bytes: slot 1 is 0A 1B 2C 3D 4E 05, every ninth slot is empty (FF), the rest vary.
QByteArray slotBytes(int slot);
// The dump of that memory: 1366 blocks of 15 (block 1366 not FF where a slot would be), `extra` bytes more.
QByteArray dump(int extra = 0);
// The house a read-out of dump() must leave: 1365 records and "FFFFFFFFFFFF".
QByteArray expectedHouse();
inline QByteArray readFrame() { return QByteArray::fromHex("0100000000000000002021"); }
inline QByteArray eraseFrame() { return QByteArray::fromHex("01A6A6A6A6A6A6A6A62152"); }
// A write frame: lead byte, six data bytes, address, command, sum.
inline QByteArray writeFrame(const QByteArray &sixBytes, int slot)
{
    const int address = 6 * (slot - 1);
    const QByteArray f = char(0x01) + sixBytes + char(address >> 8) + char(address & 0xFF) + char(0x06);
    int sum = 0;
    for (const char c : f) sum += quint8(c);
    return f + char(sum & 0xFF);
}
// Record `record` of a house file as the six bytes it stands for.
inline QByteArray recordBytes(const QByteArray &house, int record) { return QByteArray::fromHex(house.mid((record - 1) * 12, 12)); }

// The exchange state in one line: the read-out and upload flags, Timer1 to Timer3 running, List5 and List6
// enabled, Text3, the bar, List2 and List3 shown; e.g. "run 00 timers 010 lists 11 text3 '' bar 0 shown 10".
QString state(Harness &h);

} // namespace fixtures

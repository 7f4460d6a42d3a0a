#pragma once
// Texts and hand-built frames shared by the upload tests.
#include <QByteArray>
#include <QString>

namespace uploadfixtures {

inline const QString Confirm = QStringLiteral("Kezdhetem kiküldeni a kártyakódokat a Friss adatok listájából?");
inline const QString Done = QStringLiteral("A rátöltés a PC-ből kész.");

// A write frame built by hand: lead byte, six data bytes, address, command, sum.
inline QByteArray writeFrame(const QByteArray &sixBytes, int slot)
{
    const int address = 6 * (slot - 1);
    const QByteArray f = char(0x01) + sixBytes + char(address >> 8) + char(address & 0xFF) + char(0x06);
    int sum = 0;
    for (const char c : f)
        sum += quint8(c);
    return f + char(sum & 0xFF);
}
// Record `record` of a house file as the six bytes it stands for.
inline QByteArray recordBytes(const QByteArray &house, int record) { return QByteArray::fromHex(house.mid((record - 1) * 12, 12)); }

} // namespace uploadfixtures

#include "readerfixtures.h"
#include "harness.h"

namespace fixtures {

QByteArray slotBytes(int slot)
{
    if (slot == 1)
        return QByteArray::fromHex("0A1B2C3D4E05");
    if (slot % 9 == 0)
        return QByteArray(6, char(0xFF));
    QByteArray out(6, '\0');
    for (int i = 0; i < 6; ++i)
        out[i] = char((slot * 37 + i * 91 + (slot >> 3)) & 0xFF);
    return out;
}

QByteArray dump(int extra)
{
    QByteArray out;
    out.reserve(1366 * 15 + extra);
    for (int k = 1; k <= 1366; ++k) {
        QByteArray block(15, char(0x5A));
        block[0] = char(0x01);
        const QByteArray data = k <= 1365 ? slotBytes(k) : QByteArray::fromHex("123456789ABC");
        block.replace(1, 6, data);
        block[13] = char(k & 0xFF);
        out += block;
    }
    out += QByteArray(extra, char(0x77));
    return out;
}

QByteArray expectedHouse()
{
    QByteArray out;
    for (int k = 1; k <= 1365; ++k)
        out += slotBytes(k).toHex().toUpper();
    out += "FFFFFFFFFFFF";
    return out;
}

QByteArray dataHouse(int seed)
{
    QByteArray out;
    for (int k = 1; k <= 1366; ++k)
        out += QByteArray::number(qint64(k) * 7919 + seed, 16).toUpper().rightJustified(12, '0');
    return out;
}

QByteArray allFHouse()
{
    return QByteArray(16392, 'F');
}

QByteArray eraseConfirmation(int blocks)
{
    QByteArray out(15 * blocks, char(0x33));
    out[13] = char(0x21);
    return out;
}

QByteArray eraseReplyWith21InByte29()
{
    QByteArray out(30, char(0x33));
    out[28] = char(0x21);
    return out;
}

QByteArray readFrame()
{
    return QByteArray::fromHex("0100000000000000002021");
}

QByteArray eraseFrame()
{
    return QByteArray::fromHex("01A6A6A6A6A6A6A6A62152");
}

bool startWithPort(Harness &h, const Timing &timing)
{
    h.saveDataFolder();
    h.ports.free = {1};
    if (!h.start(timing) || !h.ports.lastLink)
        return false;
    h.form->show();
    return true;
}

} // namespace fixtures

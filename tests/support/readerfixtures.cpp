#include "readerfixtures.h"

namespace fixtures {

QByteArray slotBytes(int slot)
{
    if (slot == 1)
        return QByteArray::fromHex("0A1B2C3D4E05");
    QByteArray out(6, char(0xFF));
    for (int i = 0; slot % 9 != 0 && i < 6; ++i)
        out[i] = char((slot * 37 + i * 91 + (slot >> 3)) & 0xFF);
    return out;
}

QByteArray dump(int extra)
{
    QByteArray out;
    for (int k = 1; k <= 1366; ++k) {
        QByteArray block(15, char(0x5A));
        block[0] = char(0x01);
        block.replace(1, 6, k <= 1365 ? slotBytes(k) : QByteArray::fromHex("123456789ABC"));
        block[13] = char(k & 0xFF);
        out += block;
    }
    return out + QByteArray(extra, char(0x77));
}

QByteArray expectedHouse()
{
    QByteArray out;
    for (int k = 1; k <= 1365; ++k)
        out += slotBytes(k).toHex().toUpper();
    return out + "FFFFFFFFFFFF";
}

QString state(Harness &h)
{
    Ui::Form1 &u = h.ui();
    ReaderLink &r = h.form->reader();
    const WindowState &s = h.form->state();
    return QStringLiteral("run %1%2 timers %3%4%5 lists %6%7 text3 '%8' bar %9 shown ")
               .arg(s.readOutRunning).arg(s.uploadRunning).arg(r.timer1().isActive()).arg(r.timer2().isActive())
               .arg(r.timer3().isActive()).arg(u.List5->isEnabled()).arg(u.List6->isEnabled()).arg(u.Text3->text())
               .arg(u.ProgressBar1->value())
           + QString::number(u.List2->isVisible()) + QString::number(u.List3->isVisible());
}

} // namespace fixtures

// Opening a valid house beside a valid backup and a 100-record postas.lst:
// from the click on "Szerkesztés" (answers scripted) until List2, List3 and
// List5 are filled and selected; then also until the window has repainted.
#include "harness.h"
#include "benchsupport.h"
#include "house/housefile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTest>

#include <algorithm>
#include <cstdio>

namespace {
QByteArray houseContent(int salt)
{
    QByteArray out;
    for (int k = 1; k <= house::RecordCount; ++k)
        out += QByteArray::number(qint64(salt) * 0x10000 + k, 16).toUpper().rightJustified(12, '0');
    return out;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}
} // namespace

int main(int argc, char **argv)
{
    offscreenUnlessSet();
    QApplication app(argc, argv);
    Harness h;
    if (!h.startShown())
        return 1;

    h.writeFile(QStringLiteral("Fo utca 1.txt"), houseContent(1));
    h.writeFile(QStringLiteral("Fo utca 1.bak"), houseContent(2));
    QByteArray list;
    for (int i = 0; i < 100; ++i)
        list += QByteArray("Nem ott lako ").append(QByteArray::number(i)).leftJustified(18, ' ')
                + QByteArray::number(i * 7919 + 1, 16).toUpper().rightJustified(10, '0') + "05";
    h.writeFile(QStringLiteral("postas.lst"), list);

    const int runs = 15;
    QList<double> handler, painted;
    for (int run = 0; run <= runs; ++run) { // run 0 warms up
        h.dialogs.clear();
        h.dialogs.answer(Dialogs::Answer::Ok);
        h.dialogs.pick(h.path(QStringLiteral("Fo utca 1.txt")));
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(h.ui().Command4, Qt::LeftButton);
        const double clicked = timer.nsecsElapsed() / 1e6;
        QApplication::processEvents();
        const double shown = timer.nsecsElapsed() / 1e6;
        if (h.ui().List2->count() != 1518 || h.ui().List3->count() != 1518 || h.ui().List5->count() != 100
            || h.ui().List2->currentRow() != 1393 || !h.dialogs.unexpected().isEmpty()) {
            std::fprintf(stderr, "opening did not fill the lists\n");
            return 1;
        }
        if (run > 0) {
            handler << clicked;
            painted << shown;
        }
    }
    std::printf("bench_houseopening: %d runs, median %.2f ms from the click to the lists filled, "
                "%.2f ms including the repaint (target < 30 ms)\n",
                runs, median(handler), median(painted));
    return 0;
}

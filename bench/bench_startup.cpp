// Start-up to the window shown, with every port number 1-256 probed by the
// real port catalogue. Prints the median of several runs.
#include "harness.h"
#include "benchsupport.h"
#include "reader/serialport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <cstdio>

int main(int argc, char *argv[])
{
    offscreenUnlessSet();
    QApplication app(argc, argv);
    const int runs = 15;
    QList<double> ms;
    QList<int> freeCounts;
    for (int i = 0; i < runs; ++i) {
        Harness h;
        h.saveDataFolder();
        SystemPortCatalogue ports(h.temp.path() + QStringLiteral("/ports"));
        h.services.ports = &ports;
        QElapsedTimer timer;
        timer.start();
        h.build();
        if (!h.form->startUp())
            return 1;
        h.form->show();
        if (!QTest::qWaitForWindowExposed(h.form.get()))
            return 1;
        ms << timer.nsecsElapsed() / 1e6;
        freeCounts << h.ui().Combo1->count();
    }
    std::sort(ms.begin(), ms.end());
    std::printf("start-up to window shown (256 port numbers probed, %d free): median %.1f ms, min %.1f, max %.1f over %d runs\n",
                freeCounts.first(), ms[runs / 2], ms.first(), ms.last(), runs);
    return 0;
}

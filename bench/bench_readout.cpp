// A whole read-out over a pseudo-terminal from the simulated reader paced at
// 9600 baud, in this process: wall time against the line time of the request
// and the dump, the longest stall of the user-interface thread meanwhile (a
// 1 ms timer's largest gap; the simulated reader shares the thread, so its
// work counts too), and the processor time of 10 s of idle line afterwards.
#include "harness.h"
#include "benchsupport.h"
#include "openedhouse.h"
#include "readerfixtures.h"
#include "reader/protocol.h"
#include "reader/serialport.h"
#include "simreader/ptyserver.h"

#include <QApplication>
#include <QEventLoop>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <sys/resource.h>

namespace {
double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
} // namespace

int main(int argc, char *argv[])
{
    offscreenUnlessSet();
    QApplication app(argc, argv);
    const int idleSeconds = argc > 1 ? QByteArray(argv[1]).toInt() : 10;

    QTemporaryDir portDir;
    ReaderOptions options;
    options.paced = true;
    PtyServer server(options);
    for (int k = 1; k <= 1365; ++k)
        server.model().setSlot(k, fixtures::slotBytes(k));
    server.setLinkDirectory(portDir.path());
    server.setPortNumber(201);
    QString error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }

    Harness h;
    SystemPortCatalogue catalogue(portDir.path());
    h.services.ports = &catalogue;
    h.saveDataFolder();
    h.settings->setValue(QStringLiteral("alap"), QStringLiteral("comm"), QStringLiteral("port"), QStringLiteral("201"));
    if (!h.start() || !h.form->reader().isOpen())
        return 1;
    if (qEnvironmentVariableIsEmpty("BENCH_HIDDEN"))
        h.form->show();
    h.writeFile(QStringLiteral("haz.txt"), openedhouse::houseWithCodes(1));

    QElapsedTimer wall;
    qint64 doneNs = -1;
    h.dialogs.onShown = [&](const ScriptedDialogs::Shown &s) {
        if (s.text == QStringLiteral("A kódmemória kiolvasása kész."))
            doneNs = wall.nsecsElapsed();
    };

    // The stall probe.
    QElapsedTimer gapClock;
    qint64 lastTickNs = 0, longestGapNs = 0;
    QList<QPair<qint64, qint64>> gaps; // (length, at), the longest kept
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = gapClock.nsecsElapsed();
        longestGapNs = std::max(longestGapNs, now - lastTickNs);
        if (now - lastTickNs > 3000000)
            gaps << qMakePair(now - lastTickNs, now);
        lastTickNs = now;
    });

    // For scale: one full repaint of the window on this machine.
    QTest::qWait(100);
    double repaintMs = 0;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer t;
        t.start();
        h.form->repaint();
        repaintMs = std::max(repaintMs, t.nsecsElapsed() / 1e6);
    }

    h.dialogs.answer(Dialogs::Answer::Ok);
    h.dialogs.pick(h.path(QStringLiteral("haz.txt")));
    h.dialogs.answer(Dialogs::Answer::Ok);
    const double cpuBefore = cpuSeconds();
    gapClock.start();
    probe.start();
    wall.start();
    h.ui().Command6->click();
    const double clickMs = wall.nsecsElapsed() / 1e6;
    // A plain event loop: QTest::qWait sleeps between its rounds and would
    // itself stall the thread it measures.
    QEventLoop loop;
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        if (doneNs >= 0)
            loop.quit();
    });
    watch.start(20);
    loop.exec();
    watch.stop();
    probe.stop();
    const double cpuReadOut = cpuSeconds() - cpuBefore;
    if (doneNs < 0 || h.readFile(QStringLiteral("haz.txt")) != fixtures::expectedHouse()) {
        std::fprintf(stderr, "the read-out did not finish correctly\n");
        return 1;
    }

    const double lineSeconds = (protocol::FrameLength + protocol::DumpLength) * 10.0 / 9600.0;
    const double wallSeconds = doneNs / 1e9;
    std::printf("read-out at 9600 baud: %.3f s wall, line time %.3f s, ratio %.4f (target <= 1.01)\n",
                wallSeconds, lineSeconds, wallSeconds / lineSeconds);
    std::printf("longest stall of the UI thread during the read-out: %.2f ms (target < 5 ms)\n",
                longestGapNs / 1e6);
    std::printf("  a full repaint of the window takes up to %.2f ms here\n", repaintMs);
    std::printf("  the click itself (questions answered at once, List3 filled from the house): %.2f ms\n", clickMs);
    std::sort(gaps.begin(), gaps.end(), std::greater<>());
    std::printf("  gaps over 3 ms: %lld; the longest (ms at s):", qlonglong(gaps.size()));
    for (int i = 0; i < std::min<qsizetype>(5, gaps.size()); ++i)
        std::printf(" %.2f at %.3f", gaps[i].first / 1e6, gaps[i].second / 1e9);
    std::printf("\n");
    std::printf("processor time during the read-out (program and simulated reader): %.3f s\n", cpuReadOut);

    // Idle line after the exchange: the poller stays on in its idle branch.
    QTest::qWait(200);
    const double idleBefore = cpuSeconds();
    QElapsedTimer idleWall;
    idleWall.start();
    QEventLoop idle;
    QTimer::singleShot(idleSeconds * 1000, &idle, &QEventLoop::quit);
    idle.exec();
    const double idleCpu = cpuSeconds() - idleBefore;
    std::printf("idle after the exchange (Timer2 %s): %.4f s processor over %.2f s = %.3f%% of one core "
                "(target < 1%%)\n",
                h.form->reader().timer2().isActive() ? "on" : "off", idleCpu, idleWall.elapsed() / 1000.0,
                100.0 * idleCpu / (idleWall.elapsed() / 1000.0));
    return 0;
}

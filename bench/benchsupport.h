#pragma once
// What the benchmarks share: the platform they run on, and the stall meter.
//
// The largest gap between the ticks of a 1 ms timer on the UI thread while
// it runs, and how much of that gap the thread spent working: a gap with
// little processor time in it is the thread waiting to be scheduled on a
// busy machine, not the program's work.
#include "house/housefile.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>

// Offscreen unless the caller names a platform (xcb, to watch a run).
inline void offscreenUnlessSet()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

inline qint64 threadCpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

struct StallMeter
{
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0, lastCpu = 0;
    qint64 maxGapNs = 0;
    qint64 maxGapAtNs = 0;  // when the longest gap ended, from start()
    qint64 maxGapCpuNs = 0; // processor time within the longest gap
    qint64 maxCpuNs = 0;    // the most processor time within any one gap
    int gapsOver5 = 0;

    StallMeter()
    {
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(1);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.nsecsElapsed(), cpu = threadCpuNs();
            if (now - last > maxGapNs) {
                maxGapNs = now - last;
                maxGapAtNs = now;
                maxGapCpuNs = cpu - lastCpu;
            }
            maxCpuNs = std::max(maxCpuNs, cpu - lastCpu);
            gapsOver5 += now - last >= 5000000;
            if (now - last > 3000000 && qEnvironmentVariableIsSet("BENCH_VERBOSE"))
                std::printf("  gap %.2f ms ending at %.3f s, %.2f ms of it working\n", (now - last) / 1e6,
                            now / 1e9, (cpu - lastCpu) / 1e6);
            last = now;
            lastCpu = cpu;
        });
    }
    void start()
    {
        maxGapNs = maxGapAtNs = maxGapCpuNs = maxCpuNs = 0;
        gapsOver5 = 0;
        last = 0;
        lastCpu = threadCpuNs();
        clock.start();
        timer.start();
    }
    void stop() { timer.stop(); }
};

// Random upper-case hex codes, every third slot empty, record 1366 empty.
inline QByteArray randomHouse(QRandomGenerator &random)
{
    QByteArray out(house::HouseFileSize, 'F');
    for (int r = 0; r < house::RecordCount - 1; ++r) {
        if (r % 3 == 2)
            continue;
        for (int i = 0; i < house::RecordLength; ++i)
            out[r * house::RecordLength + i] = "0123456789ABCDEF"[random.bounded(16)];
    }
    return out;
}

// "Rátöltés" of a whole house (1365 acknowledged slots):
//  - in memory, the reader answering each frame at once: the program's own
//    work per slot (reply taken, record read from disk, frame built and sent);
//  - over a pseudo-terminal against the simulated reader, unpaced: the whole
//    upload's wall time, per slot, and the longest stall of the UI thread
//    (the largest gap between the ticks of a 1 ms timer);
//  - paced at 9600 baud (run once, ~37 s; skip with --no-paced): wall time over
//    the line time 1365 x (11 + 15) bytes x 10 bits / 9600 baud = 36.97 s.
#include "harness.h"
#include "benchsupport.h"
#include "openedhouse.h"
#include "reader/serialport.h"
#include "simreader/ptyserver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

const QString Done = QStringLiteral("A rátöltés a PC-ből kész.");

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

bool openHouse(Harness &h, const QByteArray &content)
{
    h.form->show();
    h.dialogs.clear();
    h.writeFile(QStringLiteral("haz.txt"), content);
    h.script(QStringLiteral("o phaz.txt"));
    QTest::mouseClick(h.ui().Command4, Qt::LeftButton);
    const bool ok = h.ui().List2->isVisible() && h.dialogs.unexpected().isEmpty();
    h.dialogs.clear();
    return ok;
}


double lastClickMs = 0; // the click's handler: checks, opening, first frame

// Click, OK, and wait for the end; wall time in ms, or -1 on failure.
double uploadOnce(Harness &h, StallMeter *meter, int timeoutMs)
{
    h.dialogs.clear();
    h.dialogs.answer(Dialogs::Answer::Ok);
    if (meter)
        meter->start();
    QElapsedTimer wall;
    wall.start();
    QTest::mouseClick(h.ui().Command1, Qt::LeftButton);
    lastClickMs = wall.nsecsElapsed() / 1e6;
    while (h.form->state().uploadRunning == 1 && wall.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double ms = wall.nsecsElapsed() / 1e6;
    if (meter)
        meter->stop();
    return h.dialogs.messageTexts().contains(Done) ? ms : -1;
}

int inMemory()
{
    Harness h;
    h.ports.free = {1};
    h.saveDataFolder();
    if (!h.start() || !openHouse(h, openedhouse::houseWithCodes(1)))
        return 1;
    MemoryLink *link = h.ports.lastLink;
    QByteArray ack(15, char(0x44));
    ack[12] = char(0x06);
    link->onWritten = [link, ack](const QByteArray &) { link->feed(ack); };
    QList<double> runs;
    for (int run = 0; run <= 10; ++run) { // run 0 warms up
        const double ms = uploadOnce(h, nullptr, 60000);
        if (ms < 0 || link->written.size() != 1365 * (run + 1))
            return 1;
        if (run > 0)
            runs << ms;
    }
    const double ms = median(runs);
    std::printf("in memory, reader answering at once (median of 10):\n"
                "  whole upload %.1f ms, program work per slot %.1f us\n",
                ms, ms * 1000.0 / 1365);
    return 0;
}

int overPty(bool paced)
{
    QTemporaryDir dir;
    ReaderOptions options;
    options.paced = paced;
    PtyServer server(options);
    server.setLinkDirectory(dir.path());
    server.setPortNumber(201);
    QString error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    SystemPortCatalogue catalogue(dir.path());
    Harness h;
    h.services.ports = &catalogue;
    h.saveDataFolder();
    h.settings->setValue(QStringLiteral("alap"), QStringLiteral("comm"), QStringLiteral("port"),
                         QStringLiteral("201"));
    const QByteArray house = openedhouse::houseWithCodes(2);
    if (!h.start() || !h.form->reader().isOpen() || !openHouse(h, house))
        return 1;

    // Where a paced slot's time beyond its line time goes: from the reader
    // hearing a frame to its reply's last byte leaving (the simulator's own
    // scheduling), and from there to the reader hearing the next frame (the
    // program's reaction, the pseudo-terminal, and the simulator noticing).
    QElapsedTimer lineClock;
    lineClock.start();
    qint64 heardNs = -1, sentNs = -1;
    double readerSideNs = 0, programSideNs = 0;
    int readerSamples = 0, programSamples = 0;
    QObject::connect(&server, &PtyServer::frameReceived, &server, [&](const QByteArray &) {
        const qint64 t = lineClock.nsecsElapsed();
        if (sentNs >= 0) {
            programSideNs += double(t - sentNs) - 11 * PtyServer::ByteTimeNs;
            ++programSamples;
        }
        heardNs = t;
        sentNs = -1;
    });
    QObject::connect(&server, &PtyServer::replySent, &server, [&] {
        const qint64 t = lineClock.nsecsElapsed();
        if (heardNs >= 0) {
            // The last byte is written when it starts to cross the line.
            readerSideNs += double(t - heardNs) - 14 * PtyServer::ByteTimeNs;
            ++readerSamples;
        }
        sentNs = t + PtyServer::ByteTimeNs;
        heardNs = -1;
    });

    StallMeter meter;
    QList<double> walls, stalls, clicks;
    const int runs = paced ? 1 : 10;
    for (int run = paced ? 1 : 0; run <= runs; ++run) { // unpaced run 0 warms up
        server.model().clear();
        const double ms = uploadOnce(h, &meter, paced ? 120000 : 30000);
        if (ms < 0 || server.model().slot(1365) != QByteArray::fromHex(house.mid(1364 * 12, 12))) {
            std::fprintf(stderr, "upload failed: %s\n", qPrintable(h.dialogs.messageTexts().join(QLatin1Char('|'))));
            return 1;
        }
        if (qEnvironmentVariableIsSet("BENCH_VERBOSE"))
            std::printf("  run %d: %.1f ms, click %.2f ms, stall %.2f ms ending at %.1f ms\n", run, ms, lastClickMs,
                        meter.maxGapNs / 1e6, meter.maxGapAtNs / 1e6);
        if (run > 0) {
            clicks << lastClickMs;
            walls << ms;
            stalls << meter.maxGapNs / 1e6;
        }
    }
    const double wall = median(walls);
    const double stall = *std::max_element(stalls.begin(), stalls.end());
    if (paced) {
        const double lineMs = 1365.0 * (11 + 15) * 10 / 9600 * 1000;
        std::printf("paced at 9600 baud (one run):\n"
                    "  wall %.2f s, line time %.2f s, ratio %.4f (target <= 1.02)\n"
                    "  overhead beyond line time per slot %.3f ms: reader side (simulator's 1 ms scheduling) "
                    "%.3f ms,\n  program side (reaction + pseudo-terminal + simulator noticing) %.3f ms; "
                    "longest UI stall %.2f ms\n",
                    wall / 1000, lineMs / 1000, wall / lineMs, (wall - lineMs) / 1365,
                    readerSamples ? readerSideNs / readerSamples / 1e6 : 0.0,
                    programSamples ? programSideNs / programSamples / 1e6 : 0.0, stall);
    } else {
        std::printf("pseudo-terminal, unpaced (median of 10; the simulated reader shares the thread):\n"
                    "  whole upload %.1f ms (target < 300), per slot %.3f ms (target < 0.2)\n"
                    "  longest UI stall over all runs %.2f ms (target < 5); the click itself %.2f ms (median)\n",
                    wall, wall / 1365, stall, median(clicks));
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    offscreenUnlessSet();
    QApplication app(argc, argv);
    bool paced = true;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--no-paced") == 0)
            paced = false;
    if (int rc = inMemory())
        return rc;
    if (int rc = overPty(false))
        return rc;
    if (paced)
        return overPty(true);
    return 0;
}

// What the history costs.
// (a) A record write and a whole-house replace through the house store, which
//     keeps the previous content first (a new content each time), against the
//     same primitive alone; warm cache, many repetitions, ms per operation.
// (b) "Előzmények" for a house with 10,000 versions and door snapshots of it
//     and its backup (index lines written directly, few distinct contents):
//     from opening the window, and from choosing the house again, until its
//     rows are shown; and the longest gap between the ticks of a 1 ms timer on
//     the UI thread meanwhile.
#include "harness.h"
#include "benchsupport.h"
#include "copyrestore/filesteps.h"
#include "history/history.h"
#include "history/historywindow.h"
#include "house/housefile.h"
#include "house/housestore.h"
#include "ui_historywindow.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int Repetitions = 400;
constexpr int Entries = 10000;

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Record k of a house that differs for every n.
QString recordFor(int n)
{
    return QStringLiteral("%1").arg(n, 12, 16, QLatin1Char('0')).toUpper();
}

// Ms of op(n) over Repetitions calls after a few to warm up: the mean, and
// the median, which a busy machine's pauses move less.
struct Cost
{
    double mean = -1, median = -1;
};

Cost msPerOp(const std::function<bool(int)> &op, int offset)
{
    for (int n = 0; n < 20; ++n)
        if (!op(offset + n))
            return {};
    QList<double> each;
    QElapsedTimer clock;
    for (int n = 0; n < Repetitions; ++n) {
        clock.start();
        if (!op(offset + 1000 + n))
            return {};
        each << clock.nsecsElapsed() / 1e6;
    }
    double sum = 0;
    for (double ms : std::as_const(each))
        sum += ms;
    return {sum / Repetitions, median(each)};
}

bool writeCosts()
{
    QTemporaryDir temp;
    const QString folder = temp.path() + QLatin1Char('/');
    const QString plain = folder + QStringLiteral("plain.txt"), kept = folder + QStringLiteral("kept.txt");
    for (const QString &path : {plain, kept}) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(house::blankHouseContent()) != house::HouseFileSize)
            return false;
    }
    house::HouseStore store([folder] { return folder; }, [] { return qint64(500) * 1024 * 1024; });
    const int record = 700;
    const Cost recordPlain = msPerOp([&](int n) { return bool(house::writeHouseRecord(plain, record, recordFor(n))); }, 0);
    const Cost recordKept = msPerOp(
        [&](int n) {
            return bool(house::HouseStore::Command(store, QStringLiteral("Mérés")).writeRecords(kept, {{record, recordFor(n)}}));
        },
        100000);
    auto whole = [](int n) {
        QByteArray content = house::blankHouseContent();
        content.replace(12 * 11, 12, recordFor(n).toLatin1());
        return content;
    };
    const Cost wholePlain = msPerOp([&](int n) { return bool(filesteps::replaceWhole(plain, whole(n))); }, 200000);
    const Cost wholeKept = msPerOp(
        [&](int n) {
            return bool(house::HouseStore::Command(store, QStringLiteral("Mérés")).replaceWhole(kept, whole(n)));
        },
        300000);
    if (recordPlain.mean < 0 || recordKept.mean < 0 || wholePlain.mean < 0 || wholeKept.mean < 0) {
        std::fprintf(stderr, "bench_history: a write failed\n");
        return false;
    }
    auto line = [](const char *what, const Cost &alone, const Cost &kept) {
        std::printf("bench_history: %s: %.3f ms alone, %.3f ms with history, +%.3f ms (median %.3f, %.3f, +%.3f); "
                    "%d times, warm cache, a new content every time; goal: at most 2 ms added\n",
                    what, alone.mean, kept.mean, kept.mean - alone.mean, alone.median, kept.median,
                    kept.median - alone.median, Repetitions);
    };
    line("record write", recordPlain, recordKept);
    line("whole-house replace", wholePlain, wholeKept);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    offscreenUnlessSet();
    QApplication app(argc, argv);
    if (!writeCosts())
        return 1;

    Harness h;
    if (!h.startShown())
        return 1;
    h.writeFile(QStringLiteral("nagy.txt"), house::blankHouseContent());
    h.writeFile(QStringLiteral("nagy.bak"), house::blankHouseContent());
    // A few real entries make the contents and the index; the rest are lines like theirs.
    history::Store store(h.dataFolder);
    QStringList contents;
    for (int c = 0; c < 4; ++c) {
        QByteArray content = house::blankHouseContent();
        content.replace(12 * c, 12, recordFor(c + 1).toLatin1());
        history::Entry entry;
        entry.file = QStringLiteral("nagy.txt");
        entry.command = QStringLiteral("Mérés");
        if (store.keep(entry, content))
            return 1;
        contents << history::Store::hashOf(content);
    }
    const QStringList indexes = QDir(store.folder()).entryList({QStringLiteral("*elo")}, QDir::Files);
    QFile index(store.folder() + indexes.value(0));
    if (indexes.size() != 1 || !index.open(QIODevice::Append))
        return 1;
    QByteArray lines;
    const QDateTime start = QDateTime::currentDateTime().addDays(-400);
    for (int n = 0; n < Entries; ++n) {
        history::Entry entry;
        entry.time = start.addSecs(n * 60);
        entry.kind = n % 5 == 3 ? history::Kind::DoorRead : n % 5 == 4 ? history::Kind::DoorWritten : history::Kind::Version;
        entry.file = n % 3 == 1 ? QStringLiteral("nagy.bak") : QStringLiteral("nagy.txt");
        entry.command = entry.kind == history::Kind::Version ? QStringLiteral("Kiolvasás a 201-es portról") : QStringLiteral("Rátöltés a 201-es portról");
        entry.port = QStringLiteral("201");
        entry.changed = n % 1365;
        entry.content = contents[n % contents.size()];
        lines += history::Store::lineOf(entry).toUtf8() + '\n';
    }
    index.write(lines);
    index.close();

    HistoryWindow &window = h.form->historyWindow();
    StallMeter meter;
    QList<double> opened, chosen, stalls;
    for (int run = 0; run <= 7; ++run) { // run 0 warms the cache up
        for (const bool choose : {false, true}) {
            QSignalSpy shown(&window, &HistoryWindow::rowsShown);
            meter.start();
            QElapsedTimer wall;
            wall.start();
            if (choose)
                emit window.ui().houseCombo->activated(0);
            else
                h.form->historyAction()->trigger();
            while (shown.isEmpty() && wall.elapsed() < 30000)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            QCoreApplication::processEvents(); // the rows drawn
            const double ms = wall.nsecsElapsed() / 1e6;
            meter.stop();
            if (window.entries().size() != Entries + contents.size()) {
                std::fprintf(stderr, "bench_history: %lld rows shown\n", qlonglong(window.entries().size()));
                return 1;
            }
            if (run > 0) {
                (choose ? chosen : opened) << ms;
                stalls << meter.maxGapNs / 1e6;
            }
        }
        window.window()->hide();
    }
    std::printf("bench_history: \"Előzmények\" of a house with %d rows: opening to rows shown median %.1f ms (max %.1f), "
                "choosing the house to rows shown median %.1f ms (max %.1f), %d runs each, warm cache; goal < 300 ms; "
                "longest UI-thread gap of a 1 ms timer %.1f ms (median over runs %.1f; goal < 50 ms)\n",
                Entries + int(contents.size()), median(opened), *std::max_element(opened.begin(), opened.end()),
                median(chosen), *std::max_element(chosen.begin(), chosen.end()), int(opened.size()),
                *std::max_element(stalls.begin(), stalls.end()), median(stalls));
    return 0;
}

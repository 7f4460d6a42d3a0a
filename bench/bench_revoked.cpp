// Revoked cards before an upload: a letiltott.lst of 10,000 cards, a whole
// house with five of them and a door with three more.
//  (a) reading the list (RevokedCards::refresh of the file, parsed anew);
//  (b) the check an upload makes: refresh of the unchanged list (its size
//      and time only) and revokedSlots over the house's 1365 slots;
//  (c) the check a difference upload makes: the house and the door.
// Medians of 51 runs after a warm-up; goal for (b) and (c) under 5 ms, the
// list read included as (a) + (c) too. Exits non-zero when a result is wrong.
#include "benchsupport.h"
#include "cards/revoked.h"
#include "house/housefile.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int Cards = 10000;
constexpr int Runs = 51;

QString randomNumber(QRandomGenerator &random)
{
    QString out;
    for (int i = 0; i < 10; ++i)
        out += QLatin1Char("0123456789ABCDEF"[random.bounded(16)]);
    return out;
}

double medianMs(const std::function<void()> &work)
{
    QList<double> times;
    for (int run = 0; run <= Runs; ++run) { // run 0 warms up
        QElapsedTimer clock;
        clock.start();
        work();
        if (run > 0)
            times << clock.nsecsElapsed() / 1e6;
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    QRandomGenerator random(20240501);
    QList<cards::RevokedCard> list;
    const QDateTime time = QDateTime::currentDateTime();
    for (int n = 0; n < Cards; ++n)
        list.append({randomNumber(random), time, QStringLiteral("Kód törlése: %1").arg(n)});
    QFile file(cards::RevokedCards::pathIn(folder));
    if (!file.open(QIODevice::WriteOnly) || file.write(cards::RevokedCards::contentWith(list)) < 0)
        return 1;
    file.close();

    QByteArray house = randomHouse(random), door = randomHouse(random);
    for (int k = 0; k < 5; ++k) // slots 100, 400, ... hold a revoked card, lower case in the house
        house.replace(qint64(100 + 300 * k - 1) * house::RecordLength, 10, list.at(k * 1000).number.toLower().toLatin1());
    for (int k = 0; k < 3; ++k)
        door.replace(qint64(50 + 500 * k - 1) * house::RecordLength, 10, list.at(7000 + k).number.toLatin1());

    qsizetype inHouse = 0, inBoth = 0, read = 0;
    const double readMs = medianMs([&] {
        cards::RevokedCards fresh;
        fresh.refresh(folder);
        read = fresh.cards().size();
    });
    cards::RevokedCards revoked;
    revoked.refresh(folder);
    const double uploadMs = medianMs([&] {
        revoked.refresh(folder);
        inHouse = cards::revokedSlots(revoked, house).size();
    });
    const double differencesMs = medianMs([&] {
        revoked.refresh(folder);
        inBoth = cards::revokedSlots(revoked, house, door).size();
    });
    if (read != Cards || inHouse != 5 || inBoth != 8) {
        std::fprintf(stderr, "bench_revoked: %lld cards read, %lld slots in the house, %lld in house and door; expected %d, 5, 8\n",
                     qlonglong(read), qlonglong(inHouse), qlonglong(inBoth), Cards);
        return 1;
    }
    std::printf("bench_revoked: %d revoked cards (%.0f kB); reading the list %.2f ms; checking a house before "
                "Rátöltés %.3f ms; house and door before Eltérések rátöltése %.3f ms; list read and checked %.2f ms "
                "(medians of %d runs; goal < 5 ms)\n",
                Cards, QFileInfo(file).size() / 1024.0, readMs, uploadMs, differencesMs, readMs + differencesMs, Runs);
    return 0;
}

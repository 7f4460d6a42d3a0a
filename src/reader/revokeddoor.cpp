#include "reader/revokeddoor.h"
#include "house/housefile.h"
#include "house/housestore.h"
#include "house/houseview.h"

#include <QDir>
#include <QMap>

#include <algorithm>

namespace revokeddoor {
namespace {

const QString NothingSent = QStringLiteral("Semmi sem került a kártya leolvasóba.");

// Empty when the house at path may take the emptied records now: it is the
// house on screen, unchanged on disk, saved, and no exchange reads it.
QString whyNotWritable(Form1 &form, const QString &path)
{
    const house::ShownHouse &shown = form.state().shownHouse;
    if (const QString problem = shown.problem(path); !problem.isEmpty())
        return problem;
    if (shown.hasUnsavedRows())
        return QStringLiteral("A 'Friss adatok' listában el nem mentett változás van. Mentse a Mentés gombbal, "
                              "vagy nyissa meg újra a házat a Szerkesztés gombbal!");
    const QStringList used = form.filesInUse();
    if (std::any_of(used.cbegin(), used.cend(), [&](const QString &file) { return house::sameFile(file, path); }))
        return QStringLiteral("A házat most adatcsere használja; várja meg a végét!");
    return QString();
}

bool anyInHouse(const QList<cards::RevokedSlot> &found)
{
    return std::any_of(found.cbegin(), found.cend(), [](const cards::RevokedSlot &s) { return s.inHouse; });
}

void logRefusal(Form1 &form, Form1::Exchange exchange, const QString &path, int count, const QString &why)
{
    form.logExchange(exchange, path, history::Log::Result::Refused,
                     QStringLiteral("letiltott kártya %1 kódhelyen, semmi sem került a kártya leolvasóba: %2").arg(count).arg(why));
}

} // namespace

QList<cards::RevokedSlot> find(Form1 &form, const QByteArray &house, const QByteArray &door)
{
    return cards::revokedSlots(form.revokedCards(), house, door);
}

QByteArray emptied(const QByteArray &house, const QList<cards::RevokedSlot> &found)
{
    QByteArray out = house;
    for (const cards::RevokedSlot &s : found) {
        if (s.inHouse)
            out.replace(qint64(s.slot - 1) * house::RecordLength, house::RecordLength, house::emptyRecord().toLatin1());
    }
    return out;
}

bool askToEmpty(Form1 &form, Form1::Exchange exchange, const QString &path, const QList<cards::RevokedSlot> &found,
                int differing)
{
    const bool doorLooked = differing >= 0, inHouse = anyInHouse(found);
    const QString house = QDir::toNativeSeparators(path);
    const QString head = (doorLooked ? QStringLiteral("Letiltott kártya van a(z) %1 házban vagy a kártya leolvasóban:\n")
                                     : QStringLiteral("Letiltott kártya van a(z) %1 házban:\n"))
                             .arg(house)
                         + cards::describeSlots(found, doorLooked) + QStringLiteral("\n\n");
    if (const QString why = inHouse ? whyNotWritable(form, path) : QString(); !why.isEmpty()) {
        logRefusal(form, exchange, path, int(found.size()), QStringLiteral("a ház nem írható"));
        form.ask(head + QStringLiteral("Rátöltés előtt ki kell üríteni őket a házban, de a ház most nem írható. ") + why
                 + QLatin1Char(' ') + NothingSent);
        return false;
    }
    QString question;
    if (!doorLooked)
        question = QStringLiteral("Kiürítsem ezeket a kódhelyeket a házban, és rátöltsem a házat? A kártya leolvasóba "
                                  "is üresen kerülnek.");
    else
        question = (inHouse ? QStringLiteral("Kiürítsem a házban lévőket, és rátöltsem a(z) %1 eltérő kódot? ")
                            : QStringLiteral("Rátöltsem a(z) %1 eltérő kódot? "))
                       .arg(differing)
                   + QStringLiteral("A letiltott kártyák nem maradnak a kártya leolvasóban.");
    if (form.ask(head + question + QStringLiteral("\nNem: semmi sem kerül a kártya leolvasóba."), Dialogs::Buttons::YesNo,
                 Dialogs::Answer::No)
        == Dialogs::Answer::Yes)
        return true;
    logRefusal(form, exchange, path, int(found.size()), QStringLiteral("a felhasználó nem kérte"));
    return false;
}

bool emptyInHouse(Form1 &form, Form1::Exchange exchange, const QString &path, const QList<cards::RevokedSlot> &found)
{
    QMap<int, QString> records;
    for (const cards::RevokedSlot &s : found) {
        if (s.inHouse)
            records.insert(s.slot, house::emptyRecord());
    }
    if (records.isEmpty())
        return true;
    // The question ran an event loop: the house may have changed meanwhile.
    if (const QString why = whyNotWritable(form, path); !why.isEmpty()) {
        logRefusal(form, exchange, path, int(found.size()), QStringLiteral("a ház nem írható"));
        form.ask(why + QLatin1Char(' ') + NothingSent);
        return false;
    }
    house::HouseStore::Command store(form.houseStore(), QStringLiteral("Letiltott kártya törlése"), form.state().portSetting);
    if (!houseview::reportFailure(form, store.writeRecords(path, records)))
        return false;
    for (auto it = records.cbegin(); it != records.cend(); ++it)
        form.state().shownHouse.applyWrite(path, qint64(it.key() - 1) * house::RecordLength, it.value().toLatin1());
    houseview::refillOpenLists(form, {path});
    return true;
}

QString doorNote(Form1 &form, const QByteArray &held)
{
    const QList<cards::RevokedSlot> found = find(form, held);
    if (found.isEmpty())
        return QString();
    return QStringLiteral("Ez az ajtó még kinyílik letiltott kártyára:\n%1\nÜrítse ki ezeket a kódhelyeket: Ellenőrzés, "
                          "majd Eltérések rátöltése (ez felajánlja a kiürítésüket).")
        .arg(cards::describeSlots(found, false));
}

} // namespace revokeddoor

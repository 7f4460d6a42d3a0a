#include "cards/revoked.h"
#include "house/housefile.h"
#include "house/housestore.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace cards {
namespace {

constexpr int NumberLength = 10;

bool isHexNumber(const QString &text)
{
    if (text.size() != NumberLength)
        return false;
    for (const QChar c : text) {
        const bool digit = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
        if (!digit)
            return false;
    }
    return true;
}

// Both free-slot numbers stand for no card at all.
bool isFreeSlot(const QString &number)
{
    return number == QStringLiteral("FFFFFFFFFF") || number == QStringLiteral("0000000000");
}

} // namespace

QString RevokedCards::fileName()
{
    return QStringLiteral("letiltott.lst");
}

QString RevokedCards::pathIn(const QString &dataFolder)
{
    return dataFolder + fileName();
}

QString RevokedCards::normalized(const QString &typed, QString *error)
{
    QString number = typed;
    number.remove(QLatin1Char(' '));
    number = number.toUpper();
    if (!isHexNumber(number)) {
        *error = QStringLiteral("A kártyaszám pontosan 10 hexadecimális számjegy (0-9, A-F).");
        return QString();
    }
    if (isFreeSlot(number)) {
        *error = QStringLiteral("A(z) %1 üres kódhelyet jelöl, nem tiltható le.").arg(number);
        return QString();
    }
    return number;
}

QString RevokedCards::numberOf(const QString &record)
{
    const QString number = record.left(NumberLength).toUpper();
    return isHexNumber(number) && !isFreeSlot(number) ? number : QString();
}

QList<RevokedCard> RevokedCards::parse(const QByteArray &content)
{
    QList<RevokedCard> out;
    for (const QByteArray &line : content.split('\n')) {
        const QStringList fields = QString::fromUtf8(line).remove(QLatin1Char('\r')).split(QLatin1Char('\t'));
        const QString number = fields.value(0).trimmed().toUpper();
        // A line a person broke by hand passes over; the rest of the list still counts.
        if (!isHexNumber(number) || isFreeSlot(number))
            continue;
        out.append({number, QDateTime::fromString(fields.value(1).trimmed(), Qt::ISODate), fields.mid(2).join(QLatin1Char(' ')).trimmed()});
    }
    return out;
}

QByteArray RevokedCards::contentWith(const QList<RevokedCard> &cards)
{
    QByteArray out;
    for (const RevokedCard &card : cards) {
        QString reason = card.reason;
        reason.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
        const QDateTime time = card.time.isValid() ? card.time.toOffsetFromUtc(card.time.offsetFromUtc()) : card.time;
        out += (card.number + QLatin1Char('\t') + time.toString(Qt::ISODate) + QLatin1Char('\t') + reason).toUtf8() + '\n';
    }
    return out;
}

bool RevokedCards::refresh(const QString &dataFolder, QString *error)
{
    const QString path = pathIn(dataFolder);
    const QFileInfo info(path);
    const qint64 size = info.exists() ? info.size() : -1;
    const QDateTime modified = info.exists() ? info.lastModified() : QDateTime();
    if (path == m_path && size == m_size && modified == m_modified)
        return true;
    m_path = path;
    m_size = size;
    m_modified = modified;
    m_cards.clear();
    m_index.clear();
    if (!info.exists())
        return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_size = -2; // read again next time
        if (error)
            *error = QStringLiteral("A(z) %1 fájl nem olvasható: %2").arg(path, file.errorString());
        return false;
    }
    for (const RevokedCard &card : parse(file.readAll())) {
        if (m_index.contains(card.number))
            continue;
        m_index.insert(card.number, int(m_cards.size()));
        m_cards << card;
    }
    return true;
}

const RevokedCard *RevokedCards::find(const QString &recordOrNumber) const
{
    if (m_cards.isEmpty())
        return nullptr;
    const auto it = m_index.constFind(numberOf(recordOrNumber));
    return it == m_index.cend() ? nullptr : &m_cards.at(*it);
}

namespace {

// The list as the file holds it now, not as it was last read for the checks.
QString currentList(const QString &dataFolder, QList<RevokedCard> *cards)
{
    QFile file(RevokedCards::pathIn(dataFolder));
    if (!file.exists())
        return QString();
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("A(z) %1 fájl nem olvasható: %2").arg(file.fileName(), file.errorString());
    *cards = RevokedCards::parse(file.readAll());
    return QString();
}

} // namespace

QString addRevoked(house::HouseStore &store, const QString &dataFolder, const QStringList &numbers,
                   const QString &reason, const QString &command)
{
    QList<RevokedCard> cards;
    if (const QString error = currentList(dataFolder, &cards); !error.isEmpty())
        return error;
    QStringList known;
    for (const RevokedCard &card : cards)
        known << card.number;
    const QDateTime now = QDateTime::currentDateTime();
    bool added = false;
    for (const QString &typed : numbers) {
        const QString number = RevokedCards::numberOf(typed);
        if (number.isEmpty() || known.contains(number))
            continue;
        known << number;
        cards.append({number, now, reason});
        added = true;
    }
    if (!added)
        return QString();
    const house::IoResult written = house::HouseStore::Command(store, command).replaceList(
        RevokedCards::pathIn(dataFolder), RevokedCards::contentWith(cards));
    return written.error;
}

QString removeRevoked(house::HouseStore &store, const QString &dataFolder, const QString &number,
                      const QString &command)
{
    QList<RevokedCard> cards;
    if (const QString error = currentList(dataFolder, &cards); !error.isEmpty())
        return error;
    const qsizetype before = cards.size();
    cards.removeIf([&](const RevokedCard &card) { return card.number == RevokedCards::numberOf(number); });
    if (cards.size() == before)
        return QString();
    const house::IoResult written = house::HouseStore::Command(store, command).replaceList(
        RevokedCards::pathIn(dataFolder), RevokedCards::contentWith(cards));
    return written.error;
}

QList<RevokedSlot> revokedSlots(const RevokedCards &revoked, const QByteArray &house, const QByteArray &door)
{
    QList<RevokedSlot> out;
    if (revoked.isEmpty())
        return out;
    for (int slot = 1; slot < house::RecordCount; ++slot) {
        const qint64 at = qint64(slot - 1) * house::RecordLength;
        const RevokedCard *inHouse = revoked.find(QString::fromLatin1(house.mid(at, NumberLength)));
        const RevokedCard *inDoor = door.isEmpty() ? nullptr : revoked.find(QString::fromLatin1(door.mid(at, NumberLength)));
        if (!inHouse && !inDoor)
            continue;
        const RevokedCard *card = inHouse ? inHouse : inDoor;
        out.append({slot, (slot - 1) / house::ApartmentRecords + 1, (slot - 1) % house::ApartmentRecords + 1, card->number,
                    card->reason, inHouse != nullptr, inDoor != nullptr});
    }
    return out;
}

QString describeSlots(const QList<RevokedSlot> &found, bool doorLooked, int max)
{
    QStringList lines;
    for (qsizetype i = 0; i < found.size() && i < max; ++i) {
        const RevokedSlot &s = found.at(i);
        QString where;
        if (doorLooked)
            where = s.inHouse && s.inDoor ? QStringLiteral(" (a házban és az ajtóban)")
                    : s.inHouse           ? QStringLiteral(" (csak a házban)")
                                          : QStringLiteral(" (csak az ajtóban)");
        lines << QStringLiteral("%1. lakás %2. hely (%3. kódhely): %4%5%6")
                     .arg(s.apartment)
                     .arg(s.slotInApartment)
                     .arg(s.slot)
                     .arg(s.number, s.reason.isEmpty() ? QString() : QStringLiteral(", ") + s.reason, where);
    }
    if (found.size() > max)
        lines << QStringLiteral("és még %1 kódhely.").arg(found.size() - max);
    return lines.join(QLatin1Char('\n'));
}

} // namespace cards

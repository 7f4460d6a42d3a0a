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

constexpr qint64 FreeKey = 0xFFFFFFFFFFLL;

int hexValue(int c)
{
    return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// The first ten characters as a card number's key, any case; -1 for a free
// slot or anything that is no card number.
template <typename Char, typename Code>
qint64 keyOf(const Char *text, qsizetype size, Code code)
{
    if (size < NumberLength)
        return -1;
    qint64 key = 0;
    for (int i = 0; i < NumberLength; ++i) {
        const int value = hexValue(code(text[i]));
        if (value < 0)
            return -1;
        key = key << 4 | value;
    }
    return key == 0 || key == FreeKey ? -1 : key;
}

qint64 keyOf(const QString &text)
{
    return keyOf(text.constData(), text.size(), [](QChar c) { return c.unicode(); });
}

qint64 keyOf(const QByteArray &bytes, qsizetype at)
{
    return keyOf(bytes.constData() + at, bytes.size() - at, [](char c) { return int(uchar(c)); });
}

int twoDigits(const char *at)
{
    return at[0] >= '0' && at[0] <= '9' && at[1] >= '0' && at[1] <= '9' ? (at[0] - '0') * 10 + at[1] - '0' : -1;
}

// The time as the list writes it ("2024-05-01T10:00:00+02:00" or with "Z")
// is taken apart by hand: a list of 10,000 cards reads several times faster
// than through the general ISO parser, which the rest still goes to.
QDateTime timeOf(QByteArrayView text)
{
    const char *t = text.data();
    const bool utc = text.size() == 20 && t[19] == 'Z';
    const bool offset = text.size() == 25 && (t[19] == '+' || t[19] == '-') && t[22] == ':';
    if ((utc || offset) && t[4] == '-' && t[7] == '-' && t[10] == 'T' && t[13] == ':' && t[16] == ':') {
        const int century = twoDigits(t), year = twoDigits(t + 2), month = twoDigits(t + 5), day = twoDigits(t + 8);
        const int hour = twoDigits(t + 11), minute = twoDigits(t + 14), second = twoDigits(t + 17);
        const int offHours = offset ? twoDigits(t + 20) : 0, offMinutes = offset ? twoDigits(t + 23) : 0;
        const QDate date(century * 100 + year, month, day);
        const QTime time(hour, minute, second);
        if (century >= 0 && year >= 0 && offHours >= 0 && offMinutes >= 0 && date.isValid() && time.isValid())
            return QDateTime(date, time, Qt::OffsetFromUTC, (t[19] == '-' ? -1 : 1) * (offHours * 3600 + offMinutes * 60));
    }
    return text.isEmpty() ? QDateTime() : QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate);
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
    out.reserve(content.count('\n') + 1);
    QByteArrayView text(content);
    // Notepad starts a UTF-8 file it saved with a byte-order mark.
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    // Views, not copies: a list of 10,000 cards is read in a few milliseconds.
    while (!text.isEmpty()) {
        const qsizetype lineEnd = text.indexOf('\n');
        QByteArrayView line = lineEnd < 0 ? text : text.first(lineEnd);
        text = lineEnd < 0 ? QByteArrayView() : text.sliced(lineEnd + 1);
        QByteArray cleaned; // a carriage return inside a line, as an editor may leave one
        if (line.contains('\r'))
            line = cleaned = line.toByteArray().replace("\r", "");
        const qsizetype numberEnd = line.indexOf('\t');
        const QByteArrayView number = (numberEnd < 0 ? line : line.first(numberEnd)).trimmed();
        // A line a person broke by hand passes over; the rest of the list still counts.
        if (number.size() != NumberLength || keyOf(number.data(), number.size(), [](char c) { return int(uchar(c)); }) < 0)
            continue;
        const QByteArrayView rest = numberEnd < 0 ? QByteArrayView() : line.sliced(numberEnd + 1);
        const qsizetype timeEnd = rest.indexOf('\t');
        const QByteArrayView time = (timeEnd < 0 ? rest : rest.first(timeEnd)).trimmed();
        QString reason = timeEnd < 0 ? QString() : QString::fromUtf8(rest.sliced(timeEnd + 1).trimmed());
        out.append({QString::fromLatin1(number).toUpper(), timeOf(time), reason.replace(QLatin1Char('\t'), QLatin1Char(' '))});
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
    m_cards = parse(file.readAll());
    m_index.reserve(m_cards.size());
    // A number listed twice keeps its first entry.
    for (qsizetype i = 0; i < m_cards.size();) {
        if (m_index.contains(keyOf(m_cards.at(i).number))) {
            m_cards.removeAt(i);
            continue;
        }
        m_index.insert(keyOf(m_cards.at(i).number), int(i));
        ++i;
    }
    return true;
}

const RevokedCard *RevokedCards::find(const QString &recordOrNumber) const
{
    if (m_cards.isEmpty())
        return nullptr;
    const auto it = m_index.constFind(keyOf(recordOrNumber));
    return it == m_index.cend() ? nullptr : &m_cards.at(*it);
}

const RevokedCard *RevokedCards::find(const QByteArray &content, qsizetype at) const
{
    if (m_cards.isEmpty())
        return nullptr;
    const auto it = m_index.constFind(keyOf(content, at));
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
        const RevokedCard *inHouse = at < house.size() ? revoked.find(house, at) : nullptr;
        const RevokedCard *inDoor = at < door.size() ? revoked.find(door, at) : nullptr;
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

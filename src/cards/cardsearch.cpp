#include "cards/cardsearch.h"
#include "house/cp1250.h"
#include "house/housefile.h"

#include <QFile>

namespace cards {

namespace {
const QByteArray EmptyRecord = QByteArrayLiteral("FFFFFFFFFFFF");

bool isHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
        || (c >= QLatin1Char('a') && c <= QLatin1Char('f'));
}
} // namespace

Query parseQuery(const QString &text, const QStringList &nonResidentRecords)
{
    Query query;
    const QString typed = house::trimSpaces(text);
    for (const QString &record : nonResidentRecords) {
        if (!typed.isEmpty() && house::trimSpaces(record.left(house::NonResidentNameWidth)) == typed) {
            query.name = typed;
            const QString code = house::trimSpaces(record.mid(house::NonResidentNameWidth, house::NonResidentCodeWidth));
            if (code.compare(QStringLiteral("FFFFFFFFFF"), Qt::CaseInsensitive) == 0 || code.size() < MinimumDigits) {
                query.error = QStringLiteral("%1 kártyakódja még nincs megadva.").arg(typed);
                return query;
            }
            query.digits = code.toLatin1().toUpper();
            return query;
        }
    }
    QByteArray digits;
    for (const QChar c : typed) {
        if (c == QLatin1Char(' '))
            continue;
        if (!isHexDigit(c)) {
            digits.clear();
            break;
        }
        digits += char(c.toUpper().unicode());
    }
    if (digits.size() < MinimumDigits) {
        query.error = QStringLiteral("Adja meg egy nem ott lakó nevét vagy legalább %1 hexadecimális számjegyet "
                                     "(0-9, A-F)!")
                          .arg(MinimumDigits);
        return query;
    }
    query.digits = digits;
    return query;
}

QList<int> matchingRecords(const QByteArray &content, const QByteArray &digits)
{
    QList<int> out;
    if (content.size() != house::HouseFileSize || digits.isEmpty())
        return out;
    const QByteArray upper = content.toUpper();
    // Record 1366 is no slot of the reader: nothing in it opens a door.
    for (int record = 1; record < house::RecordCount; ++record) {
        const QByteArray text = upper.mid((record - 1) * house::RecordLength, house::RecordLength);
        if (text != EmptyRecord && text.contains(digits))
            out << record;
    }
    return out;
}

QList<Hit> houseHits(const QString &fileName, const QByteArray &content, const QByteArray &digits,
                     const QStringList &nonResidentRecords)
{
    QList<Hit> out;
    const bool backup = house::isOwnBackup(fileName);
    for (int record : matchingRecords(content, digits)) {
        Hit hit;
        hit.file = fileName;
        hit.backup = backup;
        hit.slot = record;
        hit.apartment = (record - 1) / house::ApartmentRecords + 1;
        hit.slotInApartment = (record - 1) % house::ApartmentRecords + 1;
        hit.code = cp1250::decode(content.mid((record - 1) * house::RecordLength, house::RecordLength));
        if (hit.apartment == house::NonResidentApartment)
            hit.name = house::nonResidentNamesOf(nonResidentRecords, hit.code);
        out << hit;
    }
    return out;
}

QList<Hit> nonResidentHits(const QStringList &nonResidentRecords, const QByteArray &digits)
{
    QList<Hit> out;
    for (int i = 0; i < nonResidentRecords.size(); ++i) {
        const QString &record = nonResidentRecords.at(i);
        // Code and type are the record this person has in apartment 138.
        const QString code = record.right(house::RecordLength);
        if (!code.toLatin1().toUpper().contains(digits))
            continue;
        Hit hit;
        hit.file = QStringLiteral("postas.lst");
        hit.nonResidentList = true;
        hit.slot = i + 1;
        hit.code = code;
        hit.name = house::trimSpaces(record.left(house::NonResidentNameWidth));
        out << hit;
    }
    return out;
}

bool stillHolds(const QByteArray &content, int record, const QString &code)
{
    return content.size() == house::HouseFileSize && record >= 1 && record <= house::RecordCount
           && cp1250::decode(content.mid(qint64(record - 1) * house::RecordLength, house::RecordLength)) == code;
}

} // namespace cards

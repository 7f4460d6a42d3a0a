#include "house/housefile.h"

#include "house/cp1250.h"
#include "house/oserror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

namespace house {
namespace {

const QString HeaderSuffix = QStringLiteral(". Lakás");

IoResult failure(const QString &error)
{
    IoResult result;
    result.ok = false;
    result.error = error;
    return result;
}

QString cannotRead(const QString &path, const QString &reason)
{
    return oserror::fileMessage(oserror::Action::Read, path, reason);
}

QString cannotWrite(const QString &path, const QString &reason)
{
    return oserror::fileMessage(oserror::Action::Write, path, reason);
}

// The sentences for a failed call on a file: errno (set to 0 before the call,
// taken right after it) gives the cause, the file's error text the fallback.
QString readFailure(const QString &path, int error, const QFileDevice &file)
{
    return cannotRead(path, oserror::describe(error, file.errorString()));
}

QString writeFailure(const QString &path, int error, const QFileDevice &file)
{
    return cannotWrite(path, oserror::writeCause(path, error, file.errorString()));
}

void report(IoResult *result, const IoResult &value)
{
    if (result)
        *result = value;
}


// The whole file, or an empty array for a missing one (*existed tells which).
IoResult readWholeFile(const QString &path, QByteArray *data, bool *existed = nullptr)
{
    data->clear();
    const bool exists = QFileInfo::exists(path);
    if (existed)
        *existed = exists;
    if (!exists)
        return {};
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        return failure(readFailure(path, errno, file));
    const qint64 size = file.size();
    errno = 0;
    *data = file.readAll();
    if (file.error() != QFileDevice::NoError || data->size() != size) {
        const int error = errno;
        data->clear();
        return failure(readFailure(path, error, file));
    }
    return {};
}

// Writes in place on the same file, so that a reader holding it open (the
// upload) sees the change; a short write cannot tear more than these bytes.
IoResult writeInPlace(const QString &path, qint64 offset, const QByteArray &bytes)
{
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadWrite))
        return failure(writeFailure(path, errno, file));
    // A file just opened stands at its start already; a device, which cannot
    // seek, can still take a write there.
    errno = 0;
    if ((offset != file.pos() && !file.seek(offset)) || file.write(bytes) != bytes.size() || !file.flush())
        return failure(writeFailure(path, errno, file));
    errno = 0;
    file.close();
    if (file.error() != QFileDevice::NoError)
        return failure(writeFailure(path, errno, file));
    return {};
}

IoResult encodeForFile(const QString &path, const QString &text, QByteArray *bytes)
{
    bool ok = false;
    *bytes = cp1250::encode(text, &ok);
    if (!ok)
        return failure(cannotWrite(path, QStringLiteral("a szöveg Windows-1250 kódlapon nem ábrázolható karaktert tartalmaz.")));
    return {};
}

} // namespace

// The list files use plain spaces as filling; other whitespace belongs to the
// name a user typed.
QString trimSpaces(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

QString emptyRecord()
{
    return QStringLiteral("FFFFFFFFFFFF");
}

QByteArray blankHouseContent()
{
    return QByteArray(HouseFileSize, 'F');
}

LengthClass classifyLength(qint64 length)
{
    if (length == 0)
        return LengthClass::New;
    if (length == HouseFileSize)
        return LengthClass::Valid;
    return LengthClass::Damaged;
}

HouseRead readHouseFile(const QString &path)
{
    HouseRead read;
    auto fail = [&](const QString &error) {
        read.ok = false;
        read.error = error;
        read.records.clear();
        return read;
    };

    if (!QFileInfo::exists(path)) {
        // Opening a house that is not there yet makes it, as an empty file.
        QFile created(path);
        errno = 0;
        if (!created.open(QIODevice::WriteOnly | QIODevice::Append))
            return fail(oserror::fileMessage(oserror::Action::Create, path,
                                             oserror::describe(errno, created.errorString())));
        created.close();
    }

    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        return fail(readFailure(path, errno, file));
    read.lengthClass = classifyLength(file.size());
    if (read.lengthClass != LengthClass::Valid)
        return read;

    errno = 0;
    const QByteArray bytes = file.read(HouseFileSize);
    if (bytes.size() != HouseFileSize)
        return fail(readFailure(path, errno, file));
    read.content = bytes;
    const QString text = cp1250::decode(bytes);
    read.records.reserve(RecordCount);
    for (int k = 0; k < RecordCount; ++k)
        read.records << text.mid(k * RecordLength, RecordLength);
    return read;
}

bool holdsData(const QStringList &records)
{
    for (const QString &record : records) {
        for (const QChar c : record) {
            if (c != QLatin1Char('F'))
                return true;
        }
    }
    return false;
}

int recordsOfApartment(int apartment)
{
    if (apartment >= 1 && apartment <= LastWholeApartment)
        return ApartmentRecords;
    if (apartment == ApartmentCount)
        return LastGroupRecords;
    return 0;
}

IoResult initHouseFile(const QString &path)
{
    return replaceFileContent(path, blankHouseContent());
}

IoResult writeHouseRecord(const QString &path, int record, const QString &text)
{
    if (record < 1 || record > RecordCount)
        return failure(cannotWrite(path, QStringLiteral("a rekord sorszáma 1 és %1 között lehet, nem %2.")
                                             .arg(RecordCount).arg(record)));
    if (text.size() != RecordLength)
        return failure(cannotWrite(path, QStringLiteral("egy kódsor %1 karakter, nem %2.")
                                             .arg(RecordLength).arg(text.size())));
    QByteArray bytes;
    if (IoResult encoded = encodeForFile(path, text, &bytes); !encoded)
        return encoded;
    return writeInPlace(path, qint64(record - 1) * RecordLength, bytes);
}

IoResult writeHouseApartment(const QString &path, int apartment, const QString &text)
{
    const int records = recordsOfApartment(apartment);
    if (records == 0)
        return failure(cannotWrite(path, QStringLiteral("a lakás száma 1 és %1 között lehet, nem %2.")
                                             .arg(ApartmentCount).arg(apartment)));
    // The last group has only seven records: nine would run past the house.
    if (text.size() != records * RecordLength)
        return failure(cannotWrite(path, QStringLiteral("a(z) %1. lakás adata %2 karakter, nem %3.")
                                             .arg(apartment).arg(records * RecordLength).arg(text.size())));
    QByteArray bytes;
    if (IoResult encoded = encodeForFile(path, text, &bytes); !encoded)
        return encoded;
    return writeInPlace(path, qint64(apartment - 1) * ApartmentBytes, bytes);
}

IoResult writeHouseRecords(const QString &path, int first, const QString &text)
{
    if (first < 1 || text.isEmpty() || text.size() % RecordLength != 0
        || first - 1 + text.size() / RecordLength > RecordCount)
        return failure(cannotWrite(path, QStringLiteral("a(z) %1. kódsortól %2 karakter nem írható.")
                                             .arg(first).arg(text.size())));
    QByteArray bytes;
    if (IoResult encoded = encodeForFile(path, text, &bytes); !encoded)
        return encoded;
    return writeInPlace(path, qint64(first - 1) * RecordLength, bytes);
}

IoResult rowsContent(const QString &path, const QStringList &rows, QByteArray *bytes)
{
    QString text;
    text.reserve(HouseFileSize);
    int records = 0;
    for (int r = 0; r < rows.size(); ++r) {
        if (!isRecordRow(r))
            continue;
        QString row = rows[r];
        if (row.trimmed().isEmpty())
            row = emptyRecord();
        // A row of another width would shift every later record.
        if (row.size() != RecordLength)
            return failure(cannotWrite(path, QStringLiteral("a lista %1. sora nem %2 karakteres kódsor.")
                                                 .arg(r).arg(RecordLength)));
        if (++records > RecordCount)
            return failure(cannotWrite(path, QStringLiteral("a lista több mint %1 kódsort tartalmaz.")
                                                 .arg(RecordCount)));
        text += row;
    }
    return encodeForFile(path, text, bytes);
}

IoResult writeHouseRows(const QString &path, const QStringList &rows, QByteArray *written)
{
    QByteArray bytes;
    if (IoResult made = rowsContent(path, rows, &bytes); !made)
        return made;
    IoResult result = replaceFileContent(path, bytes);
    if (result && written)
        *written = bytes;
    return result;
}

IoResult replaceFileContent(const QString &path, const QByteArray &content)
{
    // The new file is the old one overlaid from byte 1, so a longer file keeps
    // its tail; it reaches the disk by one rename, never half written.
    QByteArray merged;
    if (IoResult old = readWholeFile(path, &merged); !old)
        return old;
    if (merged.size() < content.size())
        merged.resize(content.size());
    merged.replace(0, content.size(), content);

    QSaveFile save(path);
    errno = 0;
    if (!save.open(QIODevice::WriteOnly))
        return failure(writeFailure(path, errno, save));
    errno = 0;
    if (save.write(merged) != merged.size()) {
        const QString reason = writeFailure(path, errno, save);
        save.cancelWriting();
        return failure(reason);
    }
    errno = 0;
    if (!save.commit())
        return failure(writeFailure(path, errno, save));
    return {};
}

QString backupPathOf(const QString &housePath)
{
    return housePath.left(qMax<qsizetype>(0, housePath.size() - 3)) + QStringLiteral("bak");
}

bool isOwnBackup(const QString &housePath)
{
    return housePath.right(3).compare(QStringLiteral("bak"), Qt::CaseInsensitive) == 0;
}

QString ownBackupMessage(const QString &housePath)
{
    return QStringLiteral("A(z) %1 fájl neve \"bak\"-ra végződik, így önmaga biztonsági mentése volna. "
                          "Válasszon más nevet!")
        .arg(QDir::toNativeSeparators(housePath));
}

Qt::CaseSensitivity fileNameCase()
{
#ifdef Q_OS_WIN
    return Qt::CaseInsensitive;
#else
    return Qt::CaseSensitive;
#endif
}

bool sameFile(const QString &a, const QString &b)
{
    return QFileInfo(a).absoluteFilePath().compare(QFileInfo(b).absoluteFilePath(), fileNameCase()) == 0;
}

QString headerRow(int apartment)
{
    return QString::number(apartment) + HeaderSuffix;
}

void fillHouseList(QStringList &rows, const QStringList &records)
{
    int apartment = 1;
    for (int k = 0; k < records.size(); ++k) {
        if (k % ApartmentRecords == 0)
            rows << headerRow(apartment++);
        rows << records[k];
    }
}

QStringList houseListRows(const QStringList &records)
{
    QStringList rows;
    rows.reserve(records.size() + records.size() / ApartmentRecords + 1);
    fillHouseList(rows, records);
    return rows;
}

bool isHeaderRow(const QString &row)
{
    for (int at = 1; at <= 3; ++at) {
        if (QStringView(row).mid(at).startsWith(HeaderSuffix))
            return true;
    }
    return false;
}

int recordOfRow(int row)
{
    return isRecordRow(row) ? row - row / 10 : 0;
}

int headerRowOf(int apartment)
{
    return 10 * (apartment - 1);
}

bool isRecordRow(int row)
{
    return row > 0 && row % 10 != 0;
}

bool isHexCode(const QString &code)
{
    if (code.isEmpty())
        return false;
    for (const QChar c : code) {
        const char16_t u = c.unicode();
        const bool hex = (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f');
        if (!hex)
            return false;
    }
    return true;
}

QString nonResidentListPath(const QString &dataFolder)
{
    return dataFolder + QStringLiteral("postas.lst");
}

QStringList readNonResidents(const QString &dataFolder, IoResult *result)
{
    const QString path = nonResidentListPath(dataFolder);
    QByteArray data;
    const IoResult read = readWholeFile(path, &data);
    report(result, read);
    QStringList records;
    if (!read)
        return records;
    // A trailing partial record is no record.
    const qsizetype count = data.size() / NonResidentRecordLength;
    records.reserve(count);
    for (qsizetype i = 0; i < count; ++i)
        records << cp1250::decode(data.mid(i * NonResidentRecordLength, NonResidentRecordLength));
    return records;
}

qint64 findNonResident(const QString &dataFolder, const QString &name, IoResult *result)
{
    QByteArray data;
    const IoResult read = readWholeFile(nonResidentListPath(dataFolder), &data);
    report(result, read);
    if (!read)
        return 0;
    const QString wanted = trimSpaces(name);
    // Steps of whole records from byte 1 while the position lies in the file;
    // where the steps stop is where a new record goes.
    qint64 offset = 0;
    for (; offset < data.size(); offset += NonResidentRecordLength) {
        const QString field = cp1250::decode(data.mid(offset, NonResidentNameWidth));
        if (trimSpaces(field) == wanted)
            return offset + 1;
    }
    return offset + 1;
}

QString buildNonResidentRecord(const QString &name, const QString &code)
{
    const QString n = trimSpaces(name);
    const QString c = trimSpaces(code);
    return n + QString(qMax<qsizetype>(0, NonResidentNameWidth - n.size()), QLatin1Char(' '))
         + c + QString(qMax<qsizetype>(0, NonResidentCodeWidth - c.size()), QLatin1Char(' '))
         + QStringLiteral("05");
}

QString nonResidentNamesOf(const QStringList &nonResidentRecords, const QString &record)
{
    QStringList names;
    const QString code = record.left(NonResidentCodeWidth);
    for (const QString &person : nonResidentRecords) {
        if (person.size() == NonResidentRecordLength && person.mid(NonResidentNameWidth, NonResidentCodeWidth) == code)
            names << trimSpaces(person.left(NonResidentNameWidth));
    }
    return names.join(QStringLiteral(", "));
}

IoResult writeNonResident(const QString &dataFolder, qint64 position, const QString &name, const QString &code)
{
    const QString path = nonResidentListPath(dataFolder);
    if (position < 1 || (position - 1) % NonResidentRecordLength != 0)
        return failure(cannotWrite(path, QStringLiteral("a(z) %1. bájt nem egy rekord eleje.").arg(position)));
    if (trimSpaces(name).size() > NonResidentNameMax)
        return failure(cannotWrite(path, QStringLiteral("a név legfeljebb %1 karakter hosszú lehet.")
                                             .arg(NonResidentNameMax)));
    if (trimSpaces(code).size() > NonResidentCodeWidth)
        return failure(cannotWrite(path, QStringLiteral("a kártyakód legfeljebb %1 karakter hosszú lehet.")
                                             .arg(NonResidentCodeWidth)));
    QByteArray bytes;
    if (IoResult encoded = encodeForFile(path, buildNonResidentRecord(name, code), &bytes); !encoded)
        return encoded;
    return writeInPlace(path, position - 1, bytes);
}

} // namespace house

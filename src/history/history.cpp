#include "history/history.h"
#include "house/oserror.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <cerrno>

namespace history {
namespace {

const QString ContentFolder = QStringLiteral("tartalom/");
const QString ElsewhereFolder = QStringLiteral("kulso/");
const QString ContentSuffix = QStringLiteral(".haz");
const QString IndexSuffix = QStringLiteral("elo");
constexpr int FieldCount = 7;

QString kindWord(Kind kind)
{
    switch (kind) {
    case Kind::Version:
        return QStringLiteral("változat");
    case Kind::DoorRead:
        return QStringLiteral("ajtó");
    case Kind::DoorWritten:
        return QStringLiteral("rátöltés");
    }
    return QString();
}

// A field may hold no tab and no line end: they would split the line.
QString field(QString text)
{
    for (QChar &c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return text;
}

QString normal(const QString &key)
{
    return house::fileNameCase() == Qt::CaseInsensitive ? key.toLower() : key;
}

bool isHash(const QString &text)
{
    if (text.size() != 64)
        return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'));
    });
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The entries of one index with the raw lines they came from; a last line
// without its line end and any line that does not parse are left out.
QList<Entry> readIndex(const QString &path, QStringList *lines = nullptr)
{
    QList<Entry> out;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return out;
    const QByteArray data = file.readAll();
    qint64 lineNo = 0;
    qsizetype at = 0;
    while (at < data.size()) {
        const qsizetype end = data.indexOf('\n', at);
        if (end < 0)
            break;
        const QString line = QString::fromUtf8(data.constData() + at, end - at);
        at = end + 1;
        Entry entry;
        if (!Store::parseLine(line, &entry))
            continue;
        entry.line = lineNo++;
        out << entry;
        if (lines)
            *lines << line;
    }
    return out;
}

} // namespace

QString folderName()
{
    return QStringLiteral("elozmenyek");
}

QString fromPortPhrase(const QString &port)
{
    bool number = false;
    const qint64 n = port.toLongLong(&number);
    if (!number || n < 0)
        return QStringLiteral("a(z) %1 portról").arg(port);
    // The word the number ends with when read decides: egy-es, három-as, öt-ös, hat-os...
    static const char *const units[] = {"", "es", "es", "as", "es", "ös", "os", "es", "as", "es"};
    static const char *const tens[] = {"", "es", "as", "as", "es", "es", "as", "es", "as", "es"};
    const char *suffix = n == 0 ? "s" : n % 10 ? units[n % 10] : n % 100 ? tens[n / 10 % 10] : n % 1000 ? "as" : "es";
    // "az" before a number read with a vowel first: egy, öt, ötven, ötszáz, ezer.
    const QString digits = QString::number(n);
    const bool vowel = digits[0] == QLatin1Char('5') || (digits[0] == QLatin1Char('1') && (digits.size() == 1 || digits.size() == 4));
    return QStringLiteral("%1 %2-%3 portról").arg(vowel ? QStringLiteral("az") : QStringLiteral("a"), digits, QString::fromUtf8(suffix));
}

Store::Store(const QString &dataFolder)
{
    setDataFolder(dataFolder);
}

void Store::setDataFolder(const QString &dataFolder)
{
    QString folder = dataFolder.trimmed().isEmpty() ? QString() : QDir::fromNativeSeparators(dataFolder);
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    if (folder == m_dataFolder)
        return;
    m_dataFolder = folder;
    m_newest.clear();
    m_size = -1;
}

QString Store::folder() const
{
    return m_dataFolder.isEmpty() ? QString() : m_dataFolder + folderName() + QLatin1Char('/');
}

QString Store::keyOf(const QString &path) const
{
    const QFileInfo info(path);
    const QString absolute = QDir::cleanPath(info.absoluteFilePath());
    if (!m_dataFolder.isEmpty()
        && QDir::cleanPath(QFileInfo(m_dataFolder).absoluteFilePath())
                   .compare(QDir::cleanPath(info.absolutePath()), house::fileNameCase())
               == 0)
        return info.fileName();
    return absolute;
}

QString Store::pathOf(const QString &key) const
{
    return key.contains(QLatin1Char('/')) ? key : m_dataFolder + key;
}

bool Store::sameKey(const QString &a, const QString &b)
{
    return a.compare(b, house::fileNameCase()) == 0;
}

QString Store::indexPathOf(const QString &key) const
{
    // A house and its backup differ only in their last three characters.
    const QString stem = key.left(qMax<qsizetype>(0, key.size() - 3));
    if (!key.contains(QLatin1Char('/')))
        return folder() + stem + IndexSuffix;
    return folder() + ElsewhereFolder + hashOf(normal(stem).toUtf8()).left(16) + QLatin1Char('.') + IndexSuffix;
}

QString Store::contentPath(const QString &sha) const
{
    return folder() + ContentFolder + sha + ContentSuffix;
}

QString Store::hashOf(const QByteArray &content)
{
    return QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex());
}

QString Store::lineOf(const Entry &entry)
{
    return QStringList{entry.time.toString(Qt::ISODateWithMs), kindWord(entry.kind), field(entry.file),
                       field(entry.command), field(entry.port), QString::number(entry.changed), entry.content}
        .join(QLatin1Char('\t'));
}

bool Store::parseLine(const QString &line, Entry *entry)
{
    const QStringList fields = line.split(QLatin1Char('\t'));
    if (fields.size() != FieldCount)
        return false;
    Entry e;
    e.time = QDateTime::fromString(fields[0], Qt::ISODateWithMs);
    bool number = false;
    e.changed = fields[5].toInt(&number);
    if (!e.time.isValid() || !number || fields[2].isEmpty() || (!fields[6].isEmpty() && !isHash(fields[6])))
        return false;
    if (fields[1] == kindWord(Kind::Version))
        e.kind = Kind::Version;
    else if (fields[1] == kindWord(Kind::DoorRead))
        e.kind = Kind::DoorRead;
    else if (fields[1] == kindWord(Kind::DoorWritten))
        e.kind = Kind::DoorWritten;
    else
        return false;
    e.file = fields[2];
    e.command = fields[3];
    e.port = fields[4];
    e.content = fields[6];
    *entry = e;
    return true;
}

Refusal Store::ensureFolders() const
{
    if (m_dataFolder.isEmpty())
        return {QStringLiteral("Nincs adatmappa kiválasztva.")};
    for (const QString &path : {folder(), folder() + ContentFolder}) {
        const QFileInfo info(path.chopped(1)); // a file of that name is no folder with a separator after it
        if (info.isDir())
            continue;
        if (info.exists())
            return {QStringLiteral("Az előzmények mappája (%1) nem hozható létre: ezen a néven fájl van.")
                        .arg(shown(path))};
        errno = 0;
        if (!QDir().mkpath(path)) {
            const int error = errno;
            return {QStringLiteral("Az előzmények mappája (%1) nem hozható létre: %2.")
                        .arg(shown(path), oserror::describe(error, QStringLiteral("ismeretlen hiba")))};
        }
    }
    return {};
}

Refusal Store::writeContent(const QString &sha, const QByteArray &content)
{
    const QString path = contentPath(sha);
    // Named by what it holds: one that is there whole holds these bytes.
    if (QFileInfo(path).size() == content.size())
        return {};
    QSaveFile save(path);
    errno = 0;
    bool ok = save.open(QIODevice::WriteOnly);
    if (ok) {
        errno = 0;
        ok = save.write(content) == content.size();
        if (ok) {
            errno = 0;
            ok = save.commit();
        } else {
            const int error = errno;
            save.cancelWriting();
            errno = error;
        }
    }
    if (!ok)
        return {oserror::fileMessage(oserror::Action::Write, path, oserror::writeCause(path, errno, save.errorString()))};
    if (m_size >= 0)
        m_size += content.size();
    return {};
}

Refusal Store::appendLine(const QString &indexPath, const QString &line)
{
    QByteArray bytes = line.toUtf8() + '\n';
    QFile file(indexPath);
    errno = 0;
    if (!file.open(QIODevice::ReadWrite)) {
        const int error = errno;
        return {oserror::fileMessage(oserror::Action::Write, indexPath,
                                     oserror::writeCause(indexPath, error, file.errorString()))};
    }
    const qint64 size = file.size();
    char last = '\n';
    // A line cut short by a crash stays apart from this one.
    if (size > 0 && file.seek(size - 1) && file.getChar(&last) && last != '\n')
        bytes.prepend('\n');
    errno = 0;
    if (!file.seek(size) || file.write(bytes) != bytes.size() || !file.flush()) {
        const int error = errno;
        const QString cause = oserror::writeCause(indexPath, error, file.errorString());
        // Nothing half written may stay glued to the next line.
        file.resize(size);
        return {oserror::fileMessage(oserror::Action::Write, indexPath, cause)};
    }
    if (m_size >= 0)
        m_size += bytes.size();
    auto it = m_newest.find(indexPath);
    if (it != m_newest.end() && it->size == size)
        it->size = size + bytes.size();
    else
        m_newest.remove(indexPath);
    return {};
}

QString Store::newestVersion(const QString &indexPath, const QString &key)
{
    const qint64 size = QFileInfo(indexPath).size();
    auto it = m_newest.find(indexPath);
    if (it == m_newest.end() || it->size != size) {
        Newest newest;
        newest.size = size;
        for (const Entry &entry : readIndex(indexPath)) {
            if (entry.kind == Kind::Version)
                newest.content.insert(normal(entry.file), entry.content.isEmpty() ? QStringLiteral("-") : entry.content);
        }
        it = m_newest.insert(indexPath, newest);
    }
    return it->content.value(normal(key));
}

Refusal Store::keep(Entry entry, const QByteArray &content)
{
    if (Refusal made = ensureFolders())
        return made;
    const QString indexPath = indexPathOf(entry.file);
    if (entry.file.contains(QLatin1Char('/')) && !QFileInfo(folder() + ElsewhereFolder).isDir()) {
        errno = 0;
        if (!QDir().mkpath(folder() + ElsewhereFolder))
            return {QStringLiteral("Az előzmények mappája (%1) nem hozható létre: %2.")
                        .arg(shown(folder() + ElsewhereFolder), oserror::describe(errno, QStringLiteral("ismeretlen hiba")))};
    }
    entry.content = content.isEmpty() ? QString() : hashOf(content);
    if (entry.kind == Kind::Version) {
        const QString newest = newestVersion(indexPath, entry.file);
        if (newest == (entry.content.isEmpty() ? QStringLiteral("-") : entry.content))
            return {};
    }
    if (!entry.content.isEmpty()) {
        if (Refusal written = writeContent(entry.content, content))
            return written;
    }
    if (!entry.time.isValid())
        entry.time = QDateTime::currentDateTime();
    entry.time = entry.time.toOffsetFromUtc(entry.time.offsetFromUtc());
    if (Refusal appended = appendLine(indexPath, lineOf(entry)))
        return appended;
    if (entry.kind == Kind::Version) {
        auto it = m_newest.find(indexPath);
        if (it != m_newest.end())
            it->content.insert(normal(entry.file), entry.content.isEmpty() ? QStringLiteral("-") : entry.content);
    }
    return {};
}

QStringList Store::indexFiles() const
{
    QStringList out;
    if (m_dataFolder.isEmpty())
        return out;
    for (const QString &dir : {folder(), folder() + ElsewhereFolder}) {
        const QFileInfoList entries = QDir(dir).entryInfoList({QStringLiteral("*") + IndexSuffix}, QDir::Files);
        for (const QFileInfo &info : entries)
            out << info.filePath();
    }
    return out;
}

QList<Entry> Store::entriesOf(const QString &key) const
{
    return readIndex(indexPathOf(key));
}

DoorChange Store::doorChangeSince(const QString &key, const QByteArray &door) const
{
    DoorChange change;
    const QList<Entry> entries = entriesOf(key);
    for (auto it = entries.crbegin(); it != entries.crend(); ++it) {
        QByteArray before;
        if (it->kind == Kind::Version || !sameKey(it->file, key) || !content(it->content, &before))
            continue;
        change.earlier = true;
        change.time = it->time;
        // A read-back follows the program's own upload: the door was written then.
        change.what = it->kind == Kind::DoorWritten || it->command.startsWith(QStringLiteral("Eltérések"))
                          ? QStringLiteral("rátöltés")
                      : it->command.startsWith(QStringLiteral("Kiolvasás")) ? QStringLiteral("kiolvasás")
                                                                             : QStringLiteral("ellenőrzés");
        const QByteArray empty = house::emptyRecord().toLatin1();
        for (qint64 at = 0; at < qint64(house::RecordCount - 1) * house::RecordLength; at += house::RecordLength) {
            const QByteArray was = before.mid(at, house::RecordLength).toUpper(), now = door.mid(at, house::RecordLength).toUpper();
            if (was == now)
                continue;
            if (was == empty)
                ++change.added;
            else if (now == empty)
                ++change.emptied;
            else
                ++change.changed;
        }
        break;
    }
    return change;
}

QStringList Store::keys() const
{
    QSet<QString> seen;
    QStringList out;
    for (const QString &index : indexFiles()) {
        QFile file(index);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        // Only the file field is wanted: the times of a long index stay unparsed.
        const QByteArray data = file.readAll();
        for (qsizetype at = 0, end; (end = data.indexOf('\n', at)) >= 0; at = end + 1) {
            const qsizetype first = data.indexOf('\t', at), second = first < 0 ? -1 : data.indexOf('\t', first + 1);
            const qsizetype third = second < 0 ? -1 : data.indexOf('\t', second + 1);
            if (third < 0 || third > end)
                continue;
            const QString key = QString::fromUtf8(data.constData() + second + 1, third - second - 1);
            if (!key.isEmpty() && !seen.contains(normal(key))) {
                seen.insert(normal(key));
                out << key;
            }
        }
    }
    std::sort(out.begin(), out.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return out;
}

bool Store::content(const QString &sha, QByteArray *bytes) const
{
    QFile file(contentPath(sha));
    if (!isHash(sha) || !file.open(QIODevice::ReadOnly))
        return false;
    *bytes = file.readAll();
    // A content that no longer hashes to its name was damaged on disk.
    return hashOf(*bytes) == sha;
}

qint64 Store::size() const
{
    if (m_size >= 0)
        return m_size;
    qint64 total = 0;
    if (!m_dataFolder.isEmpty()) {
        for (const QString &dir : {folder(), folder() + ContentFolder, folder() + ElsewhereFolder}) {
            const QFileInfoList entries = QDir(dir).entryInfoList(QDir::Files);
            for (const QFileInfo &info : entries) {
                if (info.fileName().endsWith(IndexSuffix) || info.fileName().endsWith(ContentSuffix))
                    total += info.size();
            }
        }
    }
    const_cast<Store *>(this)->m_size = total;
    return total;
}

int Store::prune(qint64 capBytes, int keep)
{
    if (size() <= capBytes)
        return 0;
    struct Row
    {
        QString index;
        Entry entry;
        QString text;
        bool kept = true;
    };
    QList<Row> rows;
    for (const QString &index : indexFiles()) {
        QStringList lines;
        const QList<Entry> entries = readIndex(index, &lines);
        for (int i = 0; i < entries.size(); ++i)
            rows.append({index, entries[i], lines[i]});
    }
    QHash<QString, int> references;
    QHash<QString, QList<int>> ofFile;
    for (int i = 0; i < rows.size(); ++i) {
        if (!rows[i].entry.content.isEmpty())
            ++references[rows[i].entry.content];
        ofFile[normal(rows[i].entry.file)] << i;
    }
    auto older = [&](int a, int b) {
        const Entry &x = rows[a].entry;
        const Entry &y = rows[b].entry;
        return x.time != y.time ? x.time < y.time : (rows[a].index == rows[b].index && x.line < y.line);
    };
    QList<int> candidates;
    for (QList<int> &ofOne : ofFile) {
        std::stable_sort(ofOne.begin(), ofOne.end(), older);
        candidates << ofOne.mid(0, qMax<qsizetype>(0, ofOne.size() - keep));
    }
    std::stable_sort(candidates.begin(), candidates.end(), older);

    qint64 total = size();
    QSet<QString> touched;
    int removed = 0;
    for (int i : candidates) {
        if (total <= capBytes)
            break;
        Row &row = rows[i];
        row.kept = false;
        touched.insert(row.index);
        ++removed;
        total -= row.text.toUtf8().size() + 1;
        if (!row.entry.content.isEmpty() && --references[row.entry.content] == 0)
            total -= QFileInfo(contentPath(row.entry.content)).size();
    }
    // The indexes first: a crash then leaves an unreferenced content, which
    // the next pruning removes, never an entry without its content.
    for (const QString &index : touched) {
        QByteArray data;
        for (const Row &row : rows) {
            if (row.kept && row.index == index)
                data += row.text.toUtf8() + '\n';
        }
        QSaveFile save(index);
        if (!save.open(QIODevice::WriteOnly) || save.write(data) != data.size() || !save.commit())
            return 0;
    }
    const QFileInfoList contents = QDir(folder() + ContentFolder).entryInfoList(QDir::Files);
    for (const QFileInfo &info : contents) {
        const QString sha = info.completeBaseName();
        if (info.fileName().endsWith(ContentSuffix) && references.value(sha) == 0)
            QFile::remove(info.filePath());
    }
    m_newest.clear();
    m_size = -1;
    return removed;
}

} // namespace history

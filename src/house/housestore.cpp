#include "house/housestore.h"
#include "copyrestore/filesteps.h"
#include "house/cp1250.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace house {
namespace {

// A folder or a device in the file's place refuses the write itself; nothing is kept for it.
bool noFileThere(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isFile();
}

constexpr qint64 DefaultCapMegabytes = 500;
constexpr int SlotCount = RecordCount - 1; // record 1366 is no slot

IoResult refused(const QString &error)
{
    IoResult result;
    result.ok = false;
    result.error = error;
    return result;
}

QByteArray overlaid(QByteArray old, qint64 offset, const QByteArray &bytes)
{
    if (old.size() < offset + bytes.size())
        old.resize(offset + bytes.size(), 'F');
    old.replace(offset, bytes.size(), bytes);
    return old;
}

} // namespace

int changedSlots(const QByteArray &before, const QByteArray &after)
{
    int changed = 0;
    for (int slot = 0; slot < SlotCount; ++slot) {
        const qint64 at = qint64(slot) * RecordLength;
        const QByteArray a = before.mid(at, RecordLength);
        const QByteArray b = after.mid(at, RecordLength);
        if (a != b && !(a.isEmpty() && b == emptyRecord().toLatin1()) && !(b.isEmpty() && a == emptyRecord().toLatin1()))
            ++changed;
    }
    return changed;
}

HouseStore::HouseStore(std::function<QString()> dataFolder, std::function<qint64()> capBytes)
    : m_dataFolder(std::move(dataFolder)), m_capBytes(std::move(capBytes))
{
}

history::Store &HouseStore::history()
{
    m_history.setDataFolder(m_dataFolder());
    return m_history;
}

history::Log &HouseStore::log()
{
    m_log.setDataFolder(m_dataFolder());
    return m_log;
}

qint64 HouseStore::capFromSetting(const QString &megabytes)
{
    bool ok = false;
    const qint64 value = megabytes.trimmed().toLongLong(&ok);
    return (ok && value > 0 ? value : DefaultCapMegabytes) * 1024 * 1024;
}

QString HouseStore::keepDoor(history::Kind kind, const QString &housePath, const QByteArray &content,
                             const QString &command, const QString &port, int differing)
{
    history::Store &store = history();
    history::Entry entry;
    entry.kind = kind;
    entry.file = store.keyOf(housePath);
    entry.command = command;
    entry.port = port;
    entry.changed = differing;
    if (history::Refusal refusal = store.keep(entry, content))
        return QStringLiteral("Az ajtó tartalma nem került az előzmények közé. ") + refusal.error;
    store.prune(m_capBytes());
    return QString();
}

HouseStore::Command::Command(HouseStore &store, const QString &text, const QString &port)
    : m_store(store), m_text(text), m_port(port)
{
}

IoResult HouseStore::Command::guard(const QString &path, const std::function<QByteArray(const QByteArray &)> &after,
                                    int *changed)
{
    m_historyRefused = false;
    history::Store &store = m_store.history();
    const QString key = store.keyOf(path);
    const QString seen = house::fileNameCase() == Qt::CaseInsensitive ? key.toLower() : key;
    const bool kept = m_kept.contains(seen);
    *changed = 0;
    if (noFileThere(path))
        return {};
    QByteArray old;
    if (QFileInfo(path).isFile()) {
        // A file already kept needs its bytes only for the log's count.
        if (IoResult read = filesteps::readAll(path, &old); !read && !kept)
            return read;
    }
    const QByteArray now = after(old);
    *changed = changedSlots(old, now);
    // Nothing changes: nothing to keep yet.
    if (kept || now == old)
        return {};
    history::Entry entry;
    entry.file = key;
    entry.command = m_text;
    entry.port = m_port;
    entry.changed = *changed;
    if (history::Refusal refusal = store.keep(entry, old)) {
        m_historyRefused = true;
        return refused(QStringLiteral("Az előzmények nem írhatók, ezért a(z) %1 fájl nem változott. %2")
                           .arg(QDir::toNativeSeparators(path), refusal.error));
    }
    m_kept.insert(seen);
    store.prune(m_store.m_capBytes());
    return {};
}

IoResult HouseStore::Command::logged(const QString &path, const IoResult &result, int changed, const QString &note)
{
    using R = history::Log::Result;
    const R outcome = result ? R::Done : m_historyRefused ? R::Refused : R::Failed;
    QStringList details;
    if (!result)
        details << result.error;
    else if (changed >= 0)
        details << QStringLiteral("%1 kódhely változott").arg(changed);
    if (result && !note.isEmpty())
        details << note;
    m_store.log().write(m_text, path, m_port, outcome, details.join(QStringLiteral(", ")));
    return result;
}

IoResult HouseStore::Command::writeRecords(const QString &path, const QMap<int, QString> &records)
{
    // A write the file step refuses keeps no version: it changes nothing.
    for (auto it = records.begin(); it != records.end(); ++it) {
        if (it.key() < 1 || it.key() > RecordCount || it.value().size() != RecordLength || !cp1250::canEncode(it.value()))
            return writeHouseRecord(path, it.key(), it.value());
    }
    int changed = 0;
    IoResult guarded = guard(path, [&](QByteArray content) {
        for (auto it = records.begin(); it != records.end(); ++it)
            content = overlaid(content, qint64(it.key() - 1) * RecordLength, cp1250::encode(it.value()));
        return content;
    }, &changed);
    if (!guarded)
        return logged(path, guarded, changed);
    // Neighbouring records in one write, as a run of them was written before.
    for (auto it = records.begin(); it != records.end();) {
        const int first = it.key();
        QString text;
        int next = first;
        for (; it != records.end() && it.key() == next; ++it, ++next)
            text += it.value();
        if (IoResult written = writeHouseRecords(path, first, text); !written)
            return logged(path, written, changed);
    }
    return logged(path, {}, changed);
}

IoResult HouseStore::Command::writeApartment(const QString &path, int apartment, const QString &text)
{
    if (text.size() != recordsOfApartment(apartment) * RecordLength || !cp1250::canEncode(text))
        return writeHouseApartment(path, apartment, text);
    int changed = 0;
    IoResult guarded = guard(path, [&](const QByteArray &content) {
        return overlaid(content, qint64(apartment - 1) * ApartmentBytes, cp1250::encode(text));
    }, &changed);
    return logged(path, guarded ? writeHouseApartment(path, apartment, text) : guarded, changed);
}

IoResult HouseStore::Command::writeRows(const QString &path, const QStringList &rows, QByteArray *written)
{
    QByteArray bytes;
    if (IoResult made = rowsContent(path, rows, &bytes); !made)
        return logged(path, made, 0);
    IoResult result = replaceContent(path, bytes);
    if (result && written)
        *written = bytes;
    return result;
}

IoResult HouseStore::Command::initHouse(const QString &path)
{
    return replaceContent(path, blankHouseContent());
}

IoResult HouseStore::Command::replaceContent(const QString &path, const QByteArray &content)
{
    int changed = 0;
    IoResult guarded = guard(path, [&](const QByteArray &old) { return overlaid(old, 0, content); }, &changed);
    return logged(path, guarded ? replaceFileContent(path, content) : guarded, changed);
}

IoResult HouseStore::Command::replaceWhole(const QString &path, const QByteArray &content)
{
    int changed = 0;
    IoResult guarded = guard(path, [&](const QByteArray &) { return content; }, &changed);
    return logged(path, guarded ? filesteps::replaceWhole(path, content) : guarded, changed);
}

IoResult HouseStore::Command::createEmpty(const QString &path)
{
    // A new empty file replaces nothing.
    return logged(path, filesteps::createEmpty(path), -1, QStringLiteral("új, üres fájl"));
}

IoResult HouseStore::Command::removeIfExists(const QString &path)
{
    if (!QFileInfo::exists(path))
        return {};
    int changed = 0;
    IoResult guarded = guard(path, [](const QByteArray &) { return QByteArray(); }, &changed);
    return logged(path, guarded ? filesteps::removeIfExists(path) : guarded, changed, QStringLiteral("a fájl törölve"));
}

IoResult HouseStore::Command::renameOver(const QString &from, const QString &to)
{
    QByteArray moved;
    if (noFileThere(to))
        return filesteps::renameOver(from, to);
    if (IoResult read = filesteps::readAll(from, &moved); !read)
        return logged(to, read, 0);
    int changedTo = 0, changedFrom = 0;
    IoResult guarded = guard(to, [&](const QByteArray &) { return moved; }, &changedTo);
    if (guarded)
        guarded = guard(from, [](const QByteArray &) { return QByteArray(); }, &changedFrom);
    const IoResult renamed = guarded ? filesteps::renameOver(from, to) : guarded;
    if (renamed)
        logged(from, renamed, changedFrom, QStringLiteral("átnevezve: %1").arg(QFileInfo(to).fileName()));
    return logged(to, renamed, changedTo);
}

IoResult HouseStore::Command::writeNonResident(const QString &dataFolder, qint64 position, const QString &name,
                                               const QString &code)
{
    return logged(nonResidentListPath(dataFolder), house::writeNonResident(dataFolder, position, name, code), -1);
}

IoResult HouseStore::Command::replaceList(const QString &path, const QByteArray &content)
{
    return logged(path, filesteps::replaceWhole(path, content), -1);
}

} // namespace house

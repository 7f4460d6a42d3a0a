#pragma once
#include "house/housefile.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

// What a data folder remembers: every earlier content of its houses and
// backups, and every door the program read or wrote. All of it lives in the
// folder's sub-folder "elozmenyek", so a data folder moved to another PC
// keeps it:
//   elozmenyek/tartalom/<SHA-256>.haz  a content, stored once however many
//                                      entries share it
//   elozmenyek/<name>.elo              the index of a house of the data
//                                      folder (its name with its last three
//                                      characters made "elo", as its backup's
//                                      are made "bak"), shared with its backup
//   elozmenyek/kulso/<hash>.elo        the index of a house elsewhere
// An index is UTF-8 text, one tab-separated line per entry; a last line
// without its line end (a write cut short) is ignored. No name here ends in
// ".txt" or ".bak", so no house dialog and no backup list meets them.
namespace history {

QString folderName(); // "elozmenyek"

// "a 201-es portról", with the suffix the number takes when read aloud.
QString fromPortPhrase(const QString &port);

enum class Kind {
    Version,     // what a file held before a command changed it
    DoorRead,    // a complete dump received from a door
    DoorWritten, // what a completed upload wrote into a door (acknowledged, not read)
};

struct Entry
{
    QDateTime time;
    Kind kind = Kind::Version;
    QString file;    // the house or backup: its name in the data folder, or its full path elsewhere
    QString command; // in Hungarian, e.g. "Kiolvasás a 201-es portról"
    QString port;    // empty where the command knows none
    int changed = 0; // slots the command changed; for a door, slots that differed from the house then
    QString content; // SHA-256 of the content, lower-case hex; empty: the file was missing or empty
    qint64 line = 0; // 0-based line of the index, which orders entries of the same instant
};

// How a door changed since the newest earlier snapshot of a house.
struct DoorChange
{
    bool earlier = false; // there was one
    QDateTime time;       // its time
    QString what;         // "kiolvasás", "ellenőrzés" or "rátöltés": what it came from
    int added = 0, emptied = 0, changed = 0;
    bool any() const { return added || emptied || changed; }
};

// A cause that stopped the history from being written, as one sentence.
struct Refusal
{
    QString error; // empty when nothing stopped it
    explicit operator bool() const { return !error.isEmpty(); }
};

class Store
{
public:
    explicit Store(const QString &dataFolder = QString());
    void setDataFolder(const QString &dataFolder);
    QString dataFolder() const { return m_dataFolder; }
    QString folder() const; // the data folder's "elozmenyek/", or empty when there is no data folder

    // How a file is named in the history: by name inside the data folder,
    // by its full path elsewhere.
    QString keyOf(const QString &path) const;
    // The file a key stands for.
    QString pathOf(const QString &key) const;
    // True when a and b are the same key (letter case ignored where the system ignores it).
    static bool sameKey(const QString &a, const QString &b);

    // Keeps content as an entry of entry.file (time, line and content are filled in here).
    // A Version whose bytes the newest version of the same file already holds is not kept twice.
    Refusal keep(Entry entry, const QByteArray &content);

    // Every entry of the index the file belongs to (the house and its backup), oldest first.
    QList<Entry> entriesOf(const QString &key) const;
    // The door now (a house file's bytes) against the newest snapshot of key.
    DoorChange doorChangeSince(const QString &key, const QByteArray &door) const;
    // The keys of every file that has history, sorted.
    QStringList keys() const;
    // The bytes of a content; false when it is gone or damaged.
    bool content(const QString &sha, QByteArray *bytes) const;

    // Removes the oldest entries while the history is larger than capBytes,
    // keeping the newest `keep` entries of every file. Returns how many went.
    int prune(qint64 capBytes, int keep = 20);
    // The bytes the contents and indexes take.
    qint64 size() const;

    static QString hashOf(const QByteArray &content);
    static QString lineOf(const Entry &entry);
    static bool parseLine(const QString &line, Entry *entry);

    // The index a file's entries are in (shared by a house and its backup).
    QString indexPathOf(const QString &key) const;

private:
    QString contentPath(const QString &sha) const;
    Refusal ensureFolders() const;
    Refusal writeContent(const QString &sha, const QByteArray &content);
    Refusal appendLine(const QString &indexPath, const QString &line);
    QString newestVersion(const QString &indexPath, const QString &key);
    QStringList indexFiles() const;

    QString m_dataFolder;
    // Newest version of every file an index holds, with the index's size when read.
    struct Newest
    {
        qint64 size = -1;
        QHash<QString, QString> content;
    };
    QHash<QString, Newest> m_newest;
    qint64 m_size = -1; // what size() counted, grown by what was kept since; -1 until counted
};

} // namespace history

#pragma once
#include "history/history.h"
#include "history/log.h"
#include "house/housefile.h"

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

namespace house {

// The one door through which the program changes a house file or a backup.
// Before a command first changes a file, what the file held is kept in the
// data folder's history; when that cannot be done the write is refused and
// nothing is written. The file operations themselves are the positional
// writes of housefile and the whole-file steps of the copy and the restore,
// with their own crash safety.
class HouseStore
{
public:
    // dataFolder and capBytes are asked each time they matter: the user may
    // choose another folder, and the cap is a setting.
    HouseStore(std::function<QString()> dataFolder, std::function<qint64()> capBytes);

    history::Store &history();
    // The data folder's "Napló": every command reaches it here.
    history::Log &log();

    // The history's size cap: the setting in MB, 500 when absent or not a number.
    static qint64 capFromSetting(const QString &megabytes);

    // A complete dump of a door (DoorRead) or what a completed upload wrote
    // into one (DoorWritten), kept beside the history of housePath. Returns
    // the sentence that says why it could not be kept, or empty.
    QString keepDoor(history::Kind kind, const QString &housePath, const QByteArray &content,
                     const QString &command, const QString &port, int differing);

    // The writes of one user command: each file gets at most one version.
    class Command
    {
    public:
        Command(HouseStore &store, const QString &text, const QString &port = QString());

        // Records by number; runs of neighbouring records go in one positional write each.
        IoResult writeRecords(const QString &path, const QMap<int, QString> &records);
        IoResult writeApartment(const QString &path, int apartment, const QString &text);
        IoResult writeRows(const QString &path, const QStringList &rows, QByteArray *written = nullptr);
        IoResult initHouse(const QString &path);
        // Overlays the file from byte 1; a longer file keeps its tail.
        IoResult replaceContent(const QString &path, const QByteArray &content);
        // The file holds exactly these bytes afterwards.
        IoResult replaceWhole(const QString &path, const QByteArray &content);
        IoResult createEmpty(const QString &path);
        IoResult removeIfExists(const QString &path);
        IoResult renameOver(const QString &from, const QString &to);
        // postas.lst is no house: it has no versions.
        IoResult writeNonResident(const QString &dataFolder, qint64 position, const QString &name,
                                  const QString &code);

        // A list of the data folder that is no house (letiltott.lst): replaced
        // whole in one step, without versions.
        IoResult replaceList(const QString &path, const QByteArray &content);

        // The last refusal came from the history, not from the file.
        bool historyRefused() const { return m_historyRefused; }

    private:
        // Keeps what path holds before it becomes `after` (or is removed);
        // *changed: the slots that differ between the two.
        IoResult guard(const QString &path, const std::function<QByteArray(const QByteArray &)> &after, int *changed);
        // One line of the log for a file this call wrote, or failed or refused to;
        // changed < 0: no slots to count (postas.lst, a new empty file).
        IoResult logged(const QString &path, const IoResult &result, int changed, const QString &note = QString());

        HouseStore &m_store;
        QString m_text;
        QString m_port;
        QSet<QString> m_kept;
        bool m_historyRefused = false;
    };

private:
    std::function<QString()> m_dataFolder;
    std::function<qint64()> m_capBytes;
    history::Store m_history;
    history::Log m_log;
};

// Slots 1 to 1365 whose twelve bytes differ between two contents; a slot one
// of them lacks differs when the other holds it.
int changedSlots(const QByteArray &before, const QByteArray &after);

} // namespace house

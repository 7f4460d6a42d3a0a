#pragma once
#include "history/history.h"

#include <QList>
#include <QString>
#include <QStringList>

// "Napló": what the program did, one line per event, in the data folder's
// elozmenyek/naplo.log. UTF-8 text, the fields separated by tabs:
//   time (ISO 8601, local with its offset)  command  file  port  result  details
// The file is named as the history names it (inside the data folder by its
// name, elsewhere by its full path); details hold the counts, or the reason
// of a refusal or a failure.
//
// Before the line that would take the file past 1 MiB, naplo.log becomes
// naplo.1.log, naplo.1.log naplo.2.log and so on up to naplo.5.log; the
// oldest goes. Writing is best effort: a log that cannot be written stops
// nothing and says nothing.
namespace history {

class Log
{
public:
    enum class Result { Done, SlotRefused, GaveUp, TimedOut, PortLost, Refused, Failed };
    static QString word(Result result);

    static constexpr qint64 LimitBytes = 1024 * 1024;
    static constexpr int RotatedFiles = 5;
    static constexpr int FieldCount = 6;

    explicit Log(const QString &dataFolder = QString());
    void setDataFolder(const QString &dataFolder);
    // naplo.log (0) and naplo.1.log to naplo.5.log; empty without a data folder.
    QString path(int rotated = 0) const;

    // Appends one event now; file is a path (or empty where there is none).
    // False when it could not be written, which the caller may ignore.
    bool write(const QString &command, const QString &file, const QString &port, Result result,
               const QString &details = QString());

    // Every line of naplo.log and the rotated files, newest first, without
    // its line end; a line without its six fields is left out.
    QStringList read() const;

private:
    Store m_names; // names files as the history does
};

} // namespace history

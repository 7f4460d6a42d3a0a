#pragma once
#include "house/housefile.h"

#include <QByteArray>
#include <QString>

// File steps of the copy and the restore. Each one either completes or leaves
// the file as it was, and a failure carries a Hungarian sentence naming the
// file (house::IoResult::error).
namespace filesteps {

// The whole file; a missing or unreadable one is a failure.
house::IoResult readAll(const QString &path, QByteArray *data);
// Replaces the file with exactly these bytes in one rename: a kill at any
// instant leaves the old file or the new one, never a mixture, and an older,
// longer file keeps no tail.
house::IoResult replaceWhole(const QString &path, const QByteArray &content);
// Makes an empty file where there is none; an existing one is a failure.
house::IoResult createEmpty(const QString &path);
// Deletes the file when there is one; a missing file is no failure.
house::IoResult removeIfExists(const QString &path);
// Gives the file at from the name to, replacing a file there in the same
// single step, so that one of the two always holds the data.
house::IoResult renameOver(const QString &from, const QString &to);

} // namespace filesteps

#pragma once
#include <QString>

// Why a file or port operation failed, in the program's own Hungarian words.
// The cause comes from the error number the failing call left (errno) or from
// the port's error kind, never from the system's text, which is in the
// system's language. Files and the serial port share these words.
namespace oserror {

enum class Cause {
    Other,              // none of ours: the system's text is shown
    Missing,            // no such file or folder
    NoPermission,
    ReadOnlyFile,       // the file's own permission bits forbid writing
    ReadOnlyFileSystem,
    DiskFull,
    Busy,               // busy, or held by another program
    Gone,               // the device went away (unplugged)
    TryAgain,           // temporarily unavailable
    InputOutput,
};

// The cause an errno value stands for; Other for 0 and for numbers we do not word.
Cause causeOf(int error);
// Lower-case words that follow a colon; fallback (the system's text) for Other.
QString text(Cause cause, const QString &fallback);
// text(causeOf(error), fallback).
QString describe(int error, const QString &fallback);
// The cause of a refused write to path: a file whose permission bits forbid
// writing is read-only, whether the system refused it (EACCES, EPERM) or Qt
// refused it before asking the system (QSaveFile, error 0).
QString writeCause(const QString &path, int error, const QString &fallback);

enum class Action { Read, Write, Create, Delete };
// "A(z) <path> fájl nem írható: <cause>." The file is named once, at the start.
QString fileMessage(Action action, const QString &path, const QString &cause);

} // namespace oserror

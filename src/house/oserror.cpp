#include "house/oserror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace oserror {

Cause causeOf(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return Cause::Missing;
    case EACCES:
    case EPERM:
        return Cause::NoPermission;
    case EROFS:
        return Cause::ReadOnlyFileSystem;
    case ENOSPC:
        return Cause::DiskFull;
    case EBUSY:
    case ETXTBSY:
        return Cause::Busy;
    case ENODEV:
    case ENXIO:
        return Cause::Gone;
    case EAGAIN:
        return Cause::TryAgain;
    case EIO:
        return Cause::InputOutput;
    default:
        return Cause::Other;
    }
}

QString text(Cause cause, const QString &fallback)
{
    switch (cause) {
    case Cause::Missing:
        return QStringLiteral("nincs ilyen fájl vagy mappa");
    case Cause::NoPermission:
        return QStringLiteral("nincs hozzá jogosultsága");
    case Cause::ReadOnlyFile:
        return QStringLiteral("a fájl csak olvasható");
    case Cause::ReadOnlyFileSystem:
        return QStringLiteral("a fájlrendszer csak olvasható");
    case Cause::DiskFull:
        return QStringLiteral("a lemez megtelt");
    case Cause::Busy:
        return QStringLiteral("az eszköz foglalt, vagy egy másik program használja");
    case Cause::Gone:
        return QStringLiteral("az eszköz nem érhető el (kihúzták?)");
    case Cause::TryAgain:
        return QStringLiteral("az erőforrás átmenetileg nem érhető el");
    case Cause::InputOutput:
        return QStringLiteral("bemeneti/kimeneti hiba");
    case Cause::Other:
        break;
    }
    return fallback;
}

QString describe(int error, const QString &fallback)
{
    return text(causeOf(error), fallback);
}

QString writeCause(const QString &path, int error, const QString &fallback)
{
    if (error != 0 && error != EACCES && error != EPERM)
        return describe(error, fallback);
    // The owner, group and other bits, not the current user's: root may write
    // anything, yet a file marked read-only is still one.
    const QFileInfo info(path);
    const auto writeBits = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (info.isFile() && !(info.permissions() & writeBits))
        return text(Cause::ReadOnlyFile, fallback);
    if (error == 0 && info.isFile() && !info.isWritable()) {
        // Qt refused the file without asking the system (QSaveFile does):
        // an open that neither creates nor changes it asks the system why.
        QFile probe(path);
        errno = 0;
        if (!probe.open(QIODevice::Append | QIODevice::ExistingOnly))
            error = errno;
    }
    return describe(error, fallback);
}

QString fileMessage(Action action, const QString &path, const QString &cause)
{
    QString what;
    switch (action) {
    case Action::Read:
        what = QStringLiteral("nem olvasható");
        break;
    case Action::Write:
        what = QStringLiteral("nem írható");
        break;
    case Action::Create:
        what = QStringLiteral("nem hozható létre");
        break;
    case Action::Delete:
        what = QStringLiteral("nem törölhető");
        break;
    }
    QString sentence = QStringLiteral("A(z) %1 fájl %2: %3").arg(QDir::toNativeSeparators(path), what, cause);
    // The system's own text may bring its full stop along.
    if (!sentence.endsWith(QLatin1Char('.')))
        sentence += QLatin1Char('.');
    return sentence;
}

} // namespace oserror

#include "copyrestore/filesteps.h"
#include "house/oserror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace filesteps {
namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

house::IoResult failure(const QString &error)
{
    house::IoResult result;
    result.ok = false;
    result.error = error;
    return result;
}

std::filesystem::path nativePath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    // The same bytes that QFile hands to the system for this name.
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// The cause of a failed call: errno (0 before the call, taken right after it),
// or the file's own error text when the call left none we word.
house::IoResult failed(oserror::Action action, const QString &path, int error, const QFileDevice &file)
{
    const QString cause = action == oserror::Action::Write ? oserror::writeCause(path, error, file.errorString())
                                                           : oserror::describe(error, file.errorString());
    return failure(oserror::fileMessage(action, path, cause));
}

} // namespace

house::IoResult readAll(const QString &path, QByteArray *data)
{
    data->clear();
    const QFileInfo info(path);
    if (!info.exists())
        return failure(QStringLiteral("A(z) %1 fájl nem található.").arg(shown(path)));
    if (!info.isFile())
        return failure(QStringLiteral("A(z) %1 nem fájl.").arg(shown(path)));
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        return failed(oserror::Action::Read, path, errno, file);
    const qint64 size = file.size();
    errno = 0;
    *data = file.readAll();
    if (file.error() != QFileDevice::NoError || data->size() != size) {
        const int error = errno;
        data->clear();
        return failed(oserror::Action::Read, path, error, file);
    }
    return {};
}

house::IoResult replaceWhole(const QString &path, const QByteArray &content)
{
    QSaveFile save(path);
    errno = 0;
    if (!save.open(QIODevice::WriteOnly))
        return failed(oserror::Action::Write, path, errno, save);
    errno = 0;
    if (save.write(content) != content.size()) {
        const house::IoResult result = failed(oserror::Action::Write, path, errno, save);
        save.cancelWriting();
        return result;
    }
    errno = 0;
    if (!save.commit())
        return failed(oserror::Action::Write, path, errno, save);
    return {};
}

house::IoResult createEmpty(const QString &path)
{
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return failed(oserror::Action::Create, path, errno, file);
    file.close();
    return {};
}

house::IoResult removeIfExists(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return {};
    QFile file(path);
    errno = 0;
    if (!file.remove())
        return failed(oserror::Action::Delete, path, errno, file);
    return {};
}

house::IoResult renameOver(const QString &from, const QString &to)
{
    // QFile::rename refuses an existing target, and deleting it first would
    // leave a moment with the house file gone; the system's rename replaces it
    // in one step.
    std::error_code error;
    std::filesystem::rename(nativePath(from), nativePath(to), error);
    if (error) {
        // The portable condition carries the errno value wherever the system
        // numbers its errors otherwise.
        const std::error_condition condition = error.default_error_condition();
        const int number = condition.category() == std::generic_category() ? condition.value() : 0;
        return failure(QStringLiteral("A(z) %1 fájl nem nevezhető át erre: %2 (%3)")
                           .arg(shown(from), shown(to),
                                oserror::describe(number, QString::fromLocal8Bit(error.message().c_str()))));
    }
    return {};
}

} // namespace filesteps

#include "copyrestore/filesteps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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
    if (!file.open(QIODevice::ReadOnly))
        return failure(QStringLiteral("A(z) %1 fájl nem nyitható meg: %2").arg(shown(path), file.errorString()));
    const qint64 size = file.size();
    *data = file.readAll();
    if (file.error() != QFileDevice::NoError || data->size() != size) {
        data->clear();
        return failure(QStringLiteral("A(z) %1 fájl nem olvasható: %2").arg(shown(path), file.errorString()));
    }
    return {};
}

house::IoResult replaceWhole(const QString &path, const QByteArray &content)
{
    QSaveFile save(path);
    if (!save.open(QIODevice::WriteOnly))
        return failure(QStringLiteral("A(z) %1 fájl nem írható: %2").arg(shown(path), save.errorString()));
    if (save.write(content) != content.size()) {
        const QString reason = save.errorString();
        save.cancelWriting();
        return failure(QStringLiteral("A(z) %1 fájl nem írható: %2").arg(shown(path), reason));
    }
    if (!save.commit())
        return failure(QStringLiteral("A(z) %1 fájl nem írható: %2").arg(shown(path), save.errorString()));
    return {};
}

house::IoResult createEmpty(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return failure(QStringLiteral("A(z) %1 fájl nem hozható létre: %2").arg(shown(path), file.errorString()));
    file.close();
    return {};
}

house::IoResult removeIfExists(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return {};
    QFile file(path);
    if (!file.remove())
        return failure(QStringLiteral("A(z) %1 fájl nem törölhető: %2").arg(shown(path), file.errorString()));
    return {};
}

house::IoResult renameOver(const QString &from, const QString &to)
{
    // QFile::rename refuses an existing target, and deleting it first would
    // leave a moment with the house file gone; the system's rename replaces it
    // in one step.
    std::error_code error;
    std::filesystem::rename(nativePath(from), nativePath(to), error);
    if (error)
        return failure(QStringLiteral("A(z) %1 fájl nem nevezhető át erre: %2 (%3)")
                           .arg(shown(from), shown(to), QString::fromLocal8Bit(error.message().c_str())));
    return {};
}

} // namespace filesteps

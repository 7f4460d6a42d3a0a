#include "app/settingsstore.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <memory>

namespace {
const QString Organisation = QStringLiteral("Belvarium");

std::unique_ptr<QSettings> open(const QString &folder, const QString &application)
{
    if (folder.isEmpty()) {
#ifdef Q_OS_WIN
        // Where Windows programs keep theirs and technicians look for them:
        // HKEY_CURRENT_USER\Software\Belvarium\<application>.
        return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, Organisation, application);
#else
        return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, Organisation, application);
#endif
    }
    return std::make_unique<QSettings>(folder + QLatin1Char('/') + application + QStringLiteral(".ini"),
                                       QSettings::IniFormat);
}
} // namespace

QString QtSettingsStore::value(const QString &application, const QString &section, const QString &key) const
{
    return open(m_folder, application)->value(section + QLatin1Char('/') + key).toString();
}

void QtSettingsStore::setValue(const QString &application, const QString &section, const QString &key,
                               const QString &value)
{
    auto settings = open(m_folder, application);
    settings->setValue(section + QLatin1Char('/') + key, value);
    settings->sync();
}

QString QtSettingsStore::folder() const
{
    if (!m_folder.isEmpty())
        return m_folder;
#ifdef Q_OS_WIN
    // The registry has no folder: the user's local (never roamed) application
    // data stands in, so a lock left on another machine cannot follow the user.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/')
                         + Organisation;
    QDir().mkpath(folder);
    return folder;
#else
    return QFileInfo(open(m_folder, QStringLiteral("alap"))->fileName()).absolutePath();
#endif
}

#include "app/settingsstore.h"

#include <QFileInfo>
#include <QSettings>
#include <memory>

namespace {
std::unique_ptr<QSettings> open(const QString &folder, const QString &application)
{
    if (folder.isEmpty())
        return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                           QStringLiteral("Belvarium"), application);
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
    return QFileInfo(open(m_folder, QStringLiteral("alap"))->fileName()).absolutePath();
}

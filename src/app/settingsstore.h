#pragma once
#include <QString>

// Per-user settings: text values under application / section / key.
// A value never written reads as empty text.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;
    virtual QString value(const QString &application, const QString &section, const QString &key) const = 0;
    virtual void setValue(const QString &application, const QString &section, const QString &key,
                          const QString &value) = 0;
};

// QSettings, one INI file per application name: by default in the user's
// configuration folder under "Belvarium" (on Linux ~/.config/Belvarium/alap.ini
// and belvarium.ini); a folder given here replaces it (tests).
class QtSettingsStore : public SettingsStore
{
public:
    explicit QtSettingsStore(const QString &folder = QString()) : m_folder(folder) {}
    QString value(const QString &application, const QString &section, const QString &key) const override;
    void setValue(const QString &application, const QString &section, const QString &key,
                  const QString &value) override;
    // The folder that holds the INI files.
    QString folder() const;

private:
    QString m_folder;
};

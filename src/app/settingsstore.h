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

// QSettings per application name ("alap", "belvarium"): by default on Linux
// INI files in the user's configuration folder (~/.config/Belvarium/alap.ini
// and belvarium.ini), on Windows registry keys
// (HKEY_CURRENT_USER\Software\Belvarium\alap and ...\belvarium).
// A folder given here holds INI files instead, on every system (tests, the demo).
class QtSettingsStore : public SettingsStore
{
public:
    explicit QtSettingsStore(const QString &folder = QString()) : m_folder(folder) {}
    QString value(const QString &application, const QString &section, const QString &key) const override;
    void setValue(const QString &application, const QString &section, const QString &key,
                  const QString &value) override;
    // Where files that belong with the settings go (the single-instance
    // lock): the INI files' folder; on Windows without a folder of its own,
    // the user's local application data folder "Belvarium", made if missing.
    QString folder() const;

private:
    QString m_folder;
};

#include "harness.h"

#include <QDir>
#include <QFile>

Harness::Harness()
{
    // As the folder dialog gives it: on Windows with backslashes.
    dataFolder = QDir::toNativeSeparators(temp.path() + QStringLiteral("/data/"));
    settingsFolder = temp.path() + QStringLiteral("/settings");
    QDir().mkpath(dataFolder);
    QDir().mkpath(settingsFolder);
    settings = std::make_unique<QtSettingsStore>(settingsFolder);
    instance = std::make_unique<LockFileInstanceGuard>(temp.path() + QStringLiteral("/belvarium.lock"));
    services.dialogs = &dialogs;
    services.ports = &ports;
    services.settings = settings.get();
    services.instance = instance.get();
}

void Harness::saveDataFolder()
{
    settings->setValue(QStringLiteral("belvarium"), QStringLiteral("cim"), QStringLiteral("hely"), dataFolder);
}

Form1 &Harness::build(const Timing &timing)
{
    services.timing = timing;
    form = std::make_unique<Form1>(services);
    return *form;
}

bool Harness::start(const Timing &timing)
{
    build(timing);
    return form->startUp();
}

void Harness::writeFile(const QString &name, const QByteArray &bytes) const
{
    QFile f(path(name));
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

QByteArray Harness::readFile(const QString &name) const
{
    QFile f(path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

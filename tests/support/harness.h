#pragma once
#include "app/form1.h"
#include "app/instanceguard.h"
#include "app/settingsstore.h"
#include "reader/readerlink.h"
#include "fakes.h"
#include "scripteddialogs.h"
#include "ui_form1.h"

#include <QTemporaryDir>
#include <memory>

// Form1 with every seam faked: scripted dialogs, fake ports, settings and the
// instance lock in a temporary folder, and a data folder there too.
struct Harness
{
    Harness();

    // Saves the data folder setting (trailing separator) so start-up finds it.
    void saveDataFolder();
    // Builds the window; start() also runs the start-up sequence.
    Form1 &build(const Timing &timing = Timing());
    bool start(const Timing &timing = Timing());

    QString path(const QString &name) const { return dataFolder + name; }
    void writeFile(const QString &name, const QByteArray &bytes) const;
    QByteArray readFile(const QString &name) const;

    Ui::Form1 &ui() { return form->ui(); }

    QTemporaryDir temp;
    QString dataFolder;     // with trailing separator
    QString settingsFolder;
    ScriptedDialogs dialogs;
    FakePortCatalogue ports;
    std::unique_ptr<QtSettingsStore> settings;
    std::unique_ptr<LockFileInstanceGuard> instance;
    Services services;
    std::unique_ptr<Form1> form;
};

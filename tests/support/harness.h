#pragma once
#include "app/form1.h"
#include "app/instanceguard.h"
#include "app/settingsstore.h"
#include "reader/readerlink.h"
#include "fakes.h"
#include "scripteddialogs.h"
#include "ui_form1.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// Form1 with every seam faked: scripted dialogs, fake ports, settings and the
// instance lock in a temporary folder, and a data folder there too.
struct Harness
{
    QTemporaryDir temp;
    QString dataFolder = QDir::toNativeSeparators(temp.path() + QStringLiteral("/data/")); // as the folder dialog gives it
    ScriptedDialogs dialogs;
    FakePortCatalogue ports;
    std::unique_ptr<QtSettingsStore> settings = std::make_unique<QtSettingsStore>(temp.path() + QStringLiteral("/settings"));
    std::unique_ptr<LockFileInstanceGuard> instance = std::make_unique<LockFileInstanceGuard>(temp.path() + QStringLiteral("/belvarium.lock"));
    Services services{&dialogs, &ports, settings.get(), instance.get(), Timing()};
    std::unique_ptr<Form1> form;

    Harness()
    {
        QDir().mkpath(dataFolder);
        QDir().mkpath(temp.path() + QStringLiteral("/settings"));
    }
    void saveDataFolder() // so that start-up finds the data folder
    {
        settings->setValue(QStringLiteral("belvarium"), QStringLiteral("cim"), QStringLiteral("hely"), dataFolder);
    }
    Form1 &build(const Timing &timing = Timing())
    {
        services.timing = timing;
        form = std::make_unique<Form1>(services);
        return *form;
    }
    bool start(const Timing &timing = Timing()) { return build(timing).startUp(); }
    // Started with port 1 free and the data folder saved, shown, its dialogs forgotten.
    bool startShown()
    {
        saveDataFolder();
        ports.free = {1};
        const bool started = start();
        form->show();
        dialogs.clear();
        return started && QTest::qWaitForWindowExposed(form.get());
    }

    // Scripts the dialogs in order: o OK, c Cancel, y Yes, n No, p<name> the
    // open dialog's pick in the data folder, p alone a cancelled open dialog.
    void script(const QString &steps)
    {
        for (const QString &step : steps.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (step.startsWith(QLatin1Char('p')))
                dialogs.pick(step.size() > 1 ? path(step.mid(1)) : QString());
            else
                dialogs.answer(QList<Dialogs::Answer>{Dialogs::Answer::Ok, Dialogs::Answer::Cancel, Dialogs::Answer::Yes,
                                                      Dialogs::Answer::No}.value(QStringLiteral("ocyn").indexOf(step)));
        }
    }
    Ui::Form1 &ui() { return form->ui(); }
    QString path(const QString &name) const { return dataFolder + name; }
    void writeFile(const QString &name, const QByteArray &bytes) const
    {
        QFile f(path(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }
    QByteArray readFile(const QString &name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Empty when the message boxes shown were these ("@name": one naming the
    // data folder's file `name`) and the scripted answers were used up exactly;
    // otherwise what differs.
    QString messagesDiffer(const QStringList &expected) const
    {
        const QStringList shown = dialogs.messageTexts();
        bool same = shown.size() == expected.size() && dialogs.unexpected().isEmpty() && !dialogs.pendingAnswers();
        for (int i = 0; same && i < shown.size(); ++i)
            same = expected[i].startsWith(QLatin1Char('@'))
                     ? shown[i].contains(QDir::toNativeSeparators(path(expected[i].mid(1)))) : shown[i] == expected[i];
        return same ? QString() : QStringLiteral("shown: %1\nexpected: %2\nunexpected: %3, answers left: %4")
                                      .arg(shown.join(QLatin1Char('|')), expected.join(QLatin1Char('|')),
                                           dialogs.unexpected().join(QLatin1Char('|'))).arg(dialogs.pendingAnswers());
    }
};

#define CHECK_MESSAGES(h, ...) do { const QString differ = (h).messagesDiffer(__VA_ARGS__); \
    QVERIFY2(differ.isEmpty(), qPrintable(differ)); } while (false)

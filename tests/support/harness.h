#pragma once
#include "app/form1.h"
#include "app/instanceguard.h"
#include "app/settingsstore.h"
#include "reader/readerlink.h"
#include "fakes.h"
#include "ui_form1.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

// Answers dialogs from a script and records everything shown.
class ScriptedDialogs : public Dialogs
{
public:
    enum class Kind { Message, Input, OpenFile };
    struct Shown { // text: the message, the input prompt, or the open dialog's filter, which opens in folder
        Kind kind; QString title, text; Buttons buttons; QString folder; Answer defaultButton = Answer::Ok; // Enter's, for messages
    };

    void answer(Answer a) { m_answers << Reply{Kind::Message, a, QString()}; } // queued in the order the dialogs come
    void type(const QString &text) { m_answers << Reply{Kind::Input, Answer::Ok, text}; }
    void pick(const QString &path) { m_answers << Reply{Kind::OpenFile, Answer::Ok, path}; }
    std::function<void(const Shown &)> onShown; // called with each dialog shown, once recorded

    // Unscripted, an OK box is simply acknowledged and a question cancelled, so that nothing is changed by accident; all but the
    // OK box are noted.
    Answer message(const QString &title, const QString &text, Buttons buttons, Answer defaultButton) override
    {
        const Answer cancel = buttons == Buttons::Ok ? Answer::Ok : buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
        return take({Kind::Message, title, text, buttons, QString(), defaultButton}, {Kind::Message, cancel, QString()}).answer;
    }
    QString inputBox(const QString &title, const QString &prompt) override { return take({Kind::Input, title, prompt, Buttons::OkCancel, QString()}, {Kind::Input, Answer::Cancel, QString()}).text; }
    QString openFile(const QString &title, const QString &folder, const QString &filter, const QString &fileName) override
    { return take({Kind::OpenFile, title, filter, Buttons::OkCancel, folder}, {Kind::OpenFile, Answer::Cancel, fileName}).text; }

    const QList<Shown> &shown() const { return m_shown; }
    QStringList messageTexts() const { return textsOf(false); }
    // Messages and prompts; a question with its buttons and, where Enter would not press OK or Yes, the one it presses.
    QStringList log() const { return textsOf(true); }
    int pendingAnswers() const { return int(m_answers.size()); }
    QStringList unexpected() const { return m_unexpected; } // dialogs that came when the script had another kind or none
    void clear() { m_shown.clear(); m_answers.clear(); m_unexpected.clear(); }

private:
    struct Reply { Kind kind; Answer answer; QString text; };
    Reply take(const Shown &shown, const Reply &unscripted)
    {
        m_shown << shown;
        if (onShown)
            onShown(m_shown.last());
        if (!m_answers.isEmpty() && m_answers.first().kind == shown.kind)
            return m_answers.takeFirst();
        if (shown.kind != Kind::Message || shown.buttons != Buttons::Ok)
            m_unexpected << (shown.kind == Kind::OpenFile ? QStringLiteral("open file dialog") : shown.text);
        return unscripted;
    }
    QStringList textsOf(bool log) const
    {
        QStringList out;
        for (const Shown &s : m_shown)
            if (s.kind == Kind::Message || (log && s.kind == Kind::Input))
                out << s.text + (!log || s.kind == Kind::Input || s.buttons == Buttons::Ok ? QString() : QStringLiteral(" [%1%2]").arg(
                    QStringList{"", "OkCancel", "YesNo", "YesNoCancel"}[int(s.buttons)],
                    s.defaultButton == usualDefault(s.buttons) ? QString() : " Enter=" + QStringList{"Ok", "Cancel", "Yes", "No"}[int(s.defaultButton)]));
        return out;
    }
    QList<Reply> m_answers;
    QList<Shown> m_shown;
    QStringList m_unexpected;
};

// The crash tests' loop: starts a child program beside the test (it prints a line when ready and one per finished round), kills
// it at a random instant after "ready", and checks the files after each kill.
struct KillLoop
{
    QString child; // file name beside the test executable ("child.exe" on Windows)
    QStringList arguments;
    int kills = 30, maxDelayMs = 40; // the kill comes 0 to maxDelayMs ms after "ready"
    quint32 seed = 1;
    std::function<QString(int kill)> check; // what is wrong after kill number `kill`, empty when all is well

    // What went wrong, empty on success; `rounds` counts the rounds the children finished.
    QString run(int &rounds) const
    {
        rounds = 0;
        QRandomGenerator random(seed);
        for (int kill = 0; kill < kills; ++kill) {
            QProcess process;
            process.start(QStandardPaths::findExecutable(child, {QCoreApplication::applicationDirPath()}), arguments);
            const bool ready = process.waitForStarted() && process.waitForReadyRead(10000);
            if (ready)
                QTest::qWait(int(random.bounded(maxDelayMs + 1)));
            if (!ready || process.state() != QProcess::Running)
                return child + (ready ? " ended by itself: " : " did not start: ") + QString::fromLocal8Bit(process.readAllStandardError());
            process.kill();
            process.waitForFinished(10000);
            rounds += int(process.readAllStandardOutput().count('\n')) - 1;
            if (const QString problem = check(kill); !problem.isEmpty())
                return QStringLiteral("after kill %1: %2").arg(kill).arg(problem);
        }
        return QString();
    }
};

// Form1 with every seam faked: scripted dialogs, fake ports, settings and the instance lock in a temporary folder, and a data
// folder there too.
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

    Harness() { QDir().mkpath(dataFolder); } // the settings and the lock make their folder
    void saveDataFolder() { settings->setValue(QStringLiteral("belvarium"), QStringLiteral("cim"), QStringLiteral("hely"), dataFolder); }
    Form1 &build(const Timing &timing = Timing()) { services.timing = timing; form = std::make_unique<Form1>(services); return *form; }
    bool start(const Timing &timing = Timing()) { return build(timing).startUp(); } // with the start-up sequence
    bool startShown(const Timing &timing = Timing()) // with port 1 free (no start-up message) and the data folder saved, shown, its dialogs forgotten
    {
        saveDataFolder();
        ports.free = {1};
        const bool started = start(timing);
        form->show();
        dialogs.clear();
        return started && QTest::qWaitForWindowExposed(form.get());
    }
    // Scripts the dialogs in order: o OK, c Cancel, y Yes, n No, p<name> the open dialog's pick in the data folder, p alone a
    // cancelled open dialog.
    void script(const QString &steps)
    {
        for (const QString &step : steps.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            step[0] == QLatin1Char('p') ? dialogs.pick(step.size() > 1 ? path(step.mid(1)) : QString())
                                        : dialogs.answer(Dialogs::Answer(QStringLiteral("ocyn").indexOf(step)));
    }

    Ui::Form1 &ui() { return form->ui(); }
    QString path(const QString &name) const { return dataFolder + name; }
    void writeFile(const QString &name, const QByteArray &bytes) const { QFile f(path(name)); if (f.open(QIODevice::WriteOnly)) f.write(bytes); }
    QByteArray readFile(const QString &name) const { QFile f(path(name)); return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(); }
    // Empty when the dialogs' log was this ("@name": a message naming the data folder's file `name`) and the script was used up
    // exactly; otherwise what differs.
    QString messagesDiffer(const QStringList &expected) const
    {
        const QStringList shown = dialogs.log();
        bool same = shown.size() == expected.size() && dialogs.unexpected().isEmpty() && !dialogs.pendingAnswers();
        for (int i = 0; same && i < shown.size(); ++i) // paths as Windows shows them, whatever the separators
            same = expected[i].startsWith(QLatin1Char('@')) ? QDir::fromNativeSeparators(shown[i]).contains(QDir::fromNativeSeparators(path(expected[i].mid(1))))
                                                            : shown[i] == expected[i];
        return same ? QString() : QStringLiteral("shown: %1\nexpected: %2\nunexpected: %3, answers left: %4").arg(shown.join('|'), expected.join('|'),
                                                                                                           dialogs.unexpected().join('|')).arg(dialogs.pendingAnswers());
    }
};

// QTest::qWaitFor sleeps 10 ms between looks, which a whole upload, a slot each look, would wait out.
inline bool waitFor(const std::function<bool()> &done, int ms = 30000) { for (QDeadlineTimer end(ms); !done() && !end.hasExpired();) QTest::qWait(1); return done(); }

#define CHECK_MESSAGES(h, ...) do { const QString differ = (h).messagesDiffer(__VA_ARGS__); \
    QVERIFY2(differ.isEmpty(), qPrintable(differ)); } while (false)

#pragma once
#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTest>
#include <functional>

// The crash tests' loop: starts a child program beside the test (it prints a
// line when ready and one per finished round), kills it at a random instant
// after "ready", and checks the files after each kill.
struct KillLoop
{
    QString child; // file name beside the test executable
    QStringList arguments;
    int kills = 30;
    int maxDelayMs = 40; // the kill comes 0 to this many ms after "ready"
    quint32 seed = 1;
    std::function<QString(int kill)> check; // what is wrong after kill number `kill`, empty when all is well

    // What went wrong, empty on success; `rounds` counts the rounds the children finished.
    QString run(int &rounds) const
    {
        rounds = 0;
        const QString folder = QCoreApplication::applicationDirPath();
        const QString program = QStandardPaths::findExecutable(child, {folder}); // "child.exe" on Windows
        if (program.isEmpty())
            return QStringLiteral("no child program %1 in %2").arg(child, folder);
        QRandomGenerator random(seed);
        for (int kill = 0; kill < kills; ++kill) {
            QProcess process;
            process.start(program, arguments);
            if (!process.waitForStarted() || !process.waitForReadyRead(10000))
                return QStringLiteral("the child did not start: ") + QString::fromLocal8Bit(process.readAllStandardError());
            QTest::qWait(int(random.bounded(maxDelayMs + 1)));
            if (process.state() != QProcess::Running)
                return QStringLiteral("the child ended by itself: ") + QString::fromLocal8Bit(process.readAllStandardError());
            process.kill();
            process.waitForFinished(10000);
            rounds += int(process.readAllStandardOutput().count('\n')) - 1;
            if (const QString problem = check(kill); !problem.isEmpty())
                return QStringLiteral("after kill %1: %2").arg(kill).arg(problem);
        }
        return QString();
    }
};

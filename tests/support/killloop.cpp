#include "killloop.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTest>

QString KillLoop::run(int &rounds) const
{
    rounds = 0;
    // Finds "child.exe" on Windows.
    const QString program = QStandardPaths::findExecutable(child, {QCoreApplication::applicationDirPath()});
    if (program.isEmpty())
        return QStringLiteral("no child program %1 in %2").arg(child, QCoreApplication::applicationDirPath());
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
        const QString problem = check(kill);
        if (!problem.isEmpty())
            return QStringLiteral("after kill %1: %2").arg(kill).arg(problem);
    }
    return QString();
}

bool FolderFiles::write(const QString &name, const QByteArray &bytes) const
{
    QFile f(folder + name);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray FolderFiles::read(const QString &name) const
{
    QFile f(folder + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool FolderFiles::exists(const QString &name) const
{
    return QFileInfo::exists(folder + name);
}

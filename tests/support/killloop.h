#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

// The crash tests' loop: starts a child program beside the test (it prints a
// line when ready and one per finished round), kills it at a random instant
// a few milliseconds later, and checks the files after each kill.
struct KillLoop
{
    QString child;                           // file name beside the test executable
    QStringList arguments;
    int kills = 30;
    int maxDelayMs = 40;                     // the kill comes 0 to this many ms after "ready"
    quint32 seed = 1;
    // Returns an empty text when all is well after kill number `kill`,
    // otherwise what is wrong.
    std::function<QString(int kill)> check;

    // An empty text on success; `rounds` counts the rounds the child finished.
    QString run(int &rounds) const;
};

// Files of a folder read and written whole.
struct FolderFiles
{
    QString folder; // with a trailing separator
    bool write(const QString &name, const QByteArray &bytes) const;
    QByteArray read(const QString &name) const;
    bool exists(const QString &name) const;
};

#pragma once
#include <QLockFile>
#include <QString>
#include <memory>

// Tells whether another copy of the program runs for this user.
class InstanceGuard
{
public:
    virtual ~InstanceGuard() = default;
    // True when this copy is the only one; it stays so until destruction.
    virtual bool tryAcquire() = 0;
};

// A lock file in the per-user runtime folder. The lock names its owner's
// process, so one left behind by a crash is taken over, not obeyed.
class LockFileInstanceGuard : public InstanceGuard
{
public:
    explicit LockFileInstanceGuard(const QString &path = QString());
    bool tryAcquire() override;
    static QString defaultPath();

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};

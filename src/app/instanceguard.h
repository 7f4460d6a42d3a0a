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

// A lock file; the program keeps it beside its settings, so every copy that
// would share them finds it, however it was started. The lock names its
// owner's process, so one left behind by a crash is taken over, not obeyed.
class LockFileInstanceGuard : public InstanceGuard
{
public:
    explicit LockFileInstanceGuard(const QString &path);
    bool tryAcquire() override;

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};

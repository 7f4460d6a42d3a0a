#include "app/instanceguard.h"

#include <QDir>
#include <QFileInfo>

LockFileInstanceGuard::LockFileInstanceGuard(const QString &path)
    : m_path(path)
{
}

bool LockFileInstanceGuard::tryAcquire()
{
    if (m_lock && m_lock->isLocked())
        return true;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    m_lock = std::make_unique<QLockFile>(m_path);
    // Never stale by age: only a lock whose process is gone is taken over.
    m_lock->setStaleLockTime(0);
    return m_lock->tryLock(0);
}

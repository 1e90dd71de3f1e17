#include "singleinstance.h"

#include <QDir>

SingleInstance::SingleInstance()
    : lock(lockPath())
{
    // kesto runs for weeks: only a holder that no longer runs makes the lock
    // stale, never its age.
    lock.setStaleLockTime(0);
}

bool SingleInstance::acquire()
{
    if (lock.tryLock(0))
        return true;
    // Only a lock held by a running kesto stops this one. A home in which no
    // lock can be made (read-only, full) must not keep kesto from starting.
    return lock.error() != QLockFile::LockFailedError;
}

QString SingleInstance::lockPath()
{
    return QDir::homePath() + QStringLiteral("/.kesto.lock");
}

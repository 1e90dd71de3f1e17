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
    return lock.tryLock(0);
}

QString SingleInstance::lockPath()
{
    return QDir::homePath() + QStringLiteral("/.kesto.lock");
}

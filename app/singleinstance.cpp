#include "singleinstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QSysInfo>

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
    // A lock naming this very process is stale: a kesto that ended without
    // removing it had the process id this one was given. Windows hands out
    // small ids again soon, and a kesto started at login may get its old one.
    qint64 pid = 0;
    QString host;
    QString application;
    if (lock.error() == QLockFile::LockFailedError && lock.getLockInfo(&pid, &host, &application)
        && pid == QCoreApplication::applicationPid()
        && host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) == 0
        && lock.removeStaleLockFile() && lock.tryLock(0))
        return true;
    // Only a lock held by a running kesto stops this one. A home in which no
    // lock can be made (read-only, full) must not keep kesto from starting.
    return lock.error() != QLockFile::LockFailedError;
}

QString SingleInstance::lockPath()
{
    return QDir::homePath() + QStringLiteral("/.kesto.lock");
}

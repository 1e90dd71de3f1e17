#include "singleinstance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QSysInfo>

namespace {

// Requests are a word, perhaps with a number or a path or two; anything
// longer is not from kesto.
constexpr qint64 maxRequestLength = 16384;

} // namespace

SingleInstance::SingleInstance(QObject *parent)
    : QObject(parent)
    , lock(lockPath())
    , server(nullptr)
{
    // kesto runs for weeks: only a holder that no longer runs makes the lock
    // stale, never its age.
    lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

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

QString SingleInstance::serverName()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        return QDir::homePath() + QStringLiteral("/.kesto.socket");
    const QByteArray home = QCryptographicHash::hash(QDir::homePath().toUtf8(), QCryptographicHash::Sha1);
    return runtime + QStringLiteral("/kesto-") + QString::fromLatin1(home.toHex().left(16));
}

bool SingleInstance::listen()
{
    if (server)
        return server->isListening();
    server = new QLocalServer(this);
    // Only this user may connect: the socket is made in a private directory
    // with the user's rights alone before it takes its name.
    server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = serverName();
    if (!server->listen(name)) {
        // A socket left by a crashed kesto answers nobody; one that answers
        // belongs to a kesto that runs without a lock, and is left alone.
        QLocalSocket probe;
        probe.connectToServer(name);
        if (probe.waitForConnected(1000))
            return false;
        QLocalServer::removeServer(name);
        if (!server->listen(name))
            return false;
    }
    // Reading and writing are all a client needs.
    QFile::setPermissions(server->fullServerName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    connect(server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
            if (socket->bytesAvailable() > 0)
                readRequest(socket);
        }
    });
    return true;
}

void SingleInstance::readRequest(QLocalSocket *socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > maxRequestLength)
            socket->abort();
        return;
    }
    const QString request = QString::fromUtf8(socket->readLine(maxRequestLength + 1)).trimmed();
    socket->write("ok\n");
    socket->flush();
    socket->disconnectFromServer();
    // The request may open a dialog; its nested event loop must not hold the
    // answer to the client back.
    QMetaObject::invokeMethod(this, [this, request] { emit requested(request); }, Qt::QueuedConnection);
}

SingleInstance::Reply SingleInstance::send(const QString &request, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(serverName());
    if (!socket.waitForConnected(timeoutMs))
        return Reply::NotRunning;
    socket.write(request.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs))
        return Reply::NoAnswer;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs))
            return Reply::NoAnswer;
    }
    return socket.readLine().trimmed() == "ok" ? Reply::Done : Reply::NoAnswer;
}

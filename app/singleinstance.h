#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

// One kesto per log: a second sampler would count every second twice. The
// kesto that holds the lock also takes requests (show the log, ask now...)
// from later starts of the program, through a local socket only its user
// can open.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // The lock sits beside the log, in the user's home directory.
    explicit SingleInstance(QObject *parent = nullptr);
    ~SingleInstance() override;

    // False when another kesto of this user runs; a lock left by a crashed
    // kesto is taken over, and a home that takes no lock lets kesto run.
    bool acquire();

    // Starts taking requests; each one read is handed on by requested().
    bool listen();

    enum class Reply { Done, NotRunning, NoAnswer };
    // Hands a request to the running kesto of this user.
    static Reply send(const QString &request, int timeoutMs = 5000);

    static QString lockPath();
    // The socket: in the user's runtime directory, or beside the lock when
    // there is none; named after the home, since there is one kesto per log.
    static QString serverName();

signals:
    void requested(const QString &request);

private:
    void readRequest(QLocalSocket *socket);

    QLockFile lock;
    QLocalServer *server;
};

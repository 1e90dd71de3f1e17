#pragma once

#include "syncsettings.h"

#include <QObject>
#include <QString>

class QThread;
class PublisherWorker;

// Publishes this computer's log into the sync folder as <name>.kesto.db, on
// a thread of its own: a snapshot of a long log takes a second or more. The
// snapshot is written to a hidden temporary file in the folder and renamed
// over the published one only when whole, so a sync engine never carries
// half a file; a file that another computer published is never replaced.
class Publisher : public QObject
{
    Q_OBJECT

public:
    explicit Publisher(const QString &logPath, QObject *parent = nullptr);
    ~Publisher() override;

    // Where and as whom to publish; an empty folder publishes nothing.
    void configure(const SyncSettings::Values &values);

    // A snapshot on the publisher's thread; done() tells how it went. Unless
    // forced, a log unchanged since the last snapshot is not published again.
    void publishSoon(bool force);
    // The same, waiting for it (exit, the command line): why it failed, or
    // an empty string.
    QString publishAndWait(bool force);

    // Removes the file this computer published under earlier settings, if it
    // is there and still this computer's (a renamed computer would otherwise
    // show twice).
    void retire(const SyncSettings::Values &earlier);

    // The whole snapshot on the calling thread; why it failed, or an empty
    // string.
    static QString snapshot(const QString &logPath, const SyncSettings::Values &values);

signals:
    // After each snapshot tried: the published file, or why there is none.
    void done(const QString &path, const QString &problem);

private:
    SyncSettings::Values values;
    QThread *thread;
    PublisherWorker *worker;
};

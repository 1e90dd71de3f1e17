#pragma once

#include "syncsettings.h"

#include <QObject>
#include <QSqlDatabase>
#include <QStringList>

class LogWriter;
class Publisher;
class QTimer;

// This computer's part in sharing the history: its settings, publishing
// every 15 minutes and at exit, and the requests of the settings dialog and
// the command line.
class OtherComputers : public QObject
{
    Q_OBJECT

public:
    static constexpr int PublishMinutes = 15;

    OtherComputers(QSqlDatabase db, LogWriter *writer, const QString &logPath, QObject *parent = nullptr);
    ~OtherComputers() override;

    // The settings, with an id made for this computer if the log has none.
    SyncSettings::Values values();
    // kesto --sync-folder PATH [--computer-name NAME]: arguments are the
    // folder and, if given, the name.
    void setFromCommandLine(const QStringList &arguments);
    // kesto --publish.
    void publishNow();
    // At exit: the last snapshot, waited for.
    void finish();

    // Stores folder and name, if they changed, and publishes under them at
    // once. An empty folder stops publishing.
    void apply(const QString &folder, const QString &name);

signals:
    // Something the user should know (a snapshot that failed, a refused
    // command); said once until it changes.
    void notice(const QString &text);

private:
    void published(const QString &path, const QString &problem);
    void ensureId();

    QSqlDatabase db;
    LogWriter *writer;
    Publisher *publisher;
    QTimer *timer;
    SyncSettings::Values current;
    QString lastProblem;
};

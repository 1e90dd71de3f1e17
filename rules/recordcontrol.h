#pragma once

#include "rule.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSqlDatabase>
#include <QStringList>

class LogWriter;
class PromptSchedule;
class QSystemTrayIcon;
class QWidget;
class Sampler;

// What kesto keeps, as the user decides it: the rules, a pause, and what is
// forgotten. The main window owns it and hands it the tray.
class RecordControl : public QObject
{
    Q_OBJECT

public:
    RecordControl(const QSqlDatabase &db, LogWriter *writer, Sampler *sampler, PromptSchedule *schedule,
                  QWidget *window);

    // Takes up the rules stored in the log; stored rules it cannot use are
    // left out, and the user is told once.
    void start(QSystemTrayIcon *tray);

    const QList<Rule> &rules() const { return current; }
    // Applies rules from now on (they are usable: the dialog saw to that).
    void setRules(const QList<Rule> &rules);

    // What the user was told through the tray, oldest first.
    const QStringList &notices() const { return told; }

private:
    void tell(const QString &text);

    QSqlDatabase db;
    LogWriter *writer;
    Sampler *sampler;
    PromptSchedule *schedule;
    QPointer<QWidget> window;
    QPointer<QSystemTrayIcon> tray;
    QList<Rule> current;
    QStringList told;
};

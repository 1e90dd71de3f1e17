#pragma once

#include "forgetting.h"
#include "rule.h"

#include <QDateTime>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSqlDatabase>
#include <QStringList>

class LogWriter;
class PromptSchedule;
class QAction;
class QMenu;
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

    // Takes up the rules and a pause stored in the log; stored rules it
    // cannot use are left out, and the user is told once.
    void start(QSystemTrayIcon *tray);

    // "Pause recording", with its choices and Resume.
    QMenu *pauseMenu();

    // Nothing is recorded and no prompt comes until `end` (local time), or
    // until resume() when `end` is invalid. The pause is kept in the log, so
    // it outlasts a restart.
    void pauseUntil(const QDateTime &end);
    void pauseFor(int minutes);
    void resume();
    bool isPaused() const { return paused; }
    // Invalid while paused until resumed, and while not paused.
    QDateTime pausedUntil() const { return until; }
    // Once a tick: ends a pause whose time has come.
    void tick();

    // "Rules...": edits the rules; those taken apply at once and are stored.
    void editRules();

    // "Forget...": asks which span of time, then forgets it.
    void forgetFromTray();
    // Tells the user what would go and, once they agree, forgets it; true
    // when it is gone from the log.
    bool forget(Forgetting what, QWidget *parent);
    // Longest pause the command line takes, in minutes: a year.
    static constexpr int MaxPauseMinutes = 525600;

    const QList<Rule> &rules() const { return current; }
    // Applies rules from now on (they are usable: the dialog saw to that).
    void setRules(const QList<Rule> &rules);

    // What the user was told through the tray, oldest first.
    const QStringList &notices() const { return told; }

signals:
    // Something is gone from the log: copies of it kesto makes (the sync
    // folder's snapshot) are to be made again.
    void forgot();
    // Other rules are stored in the log: what was sorted by the old ones is
    // to be sorted again.
    void rulesChanged();

private:
    void tell(const QString &text);
    void showPause();
    void storePause();
    QDateTime now() const;

    static constexpr const char *PauseSetting = "PausedUntil";

    QSqlDatabase db;
    LogWriter *writer;
    Sampler *sampler;
    PromptSchedule *schedule;
    QPointer<QWidget> window;
    QPointer<QSystemTrayIcon> tray;
    QList<Rule> current;
    QStringList told;
    bool paused = false;
    QDateTime until;
    QMenu *pausing = nullptr;
    QAction *resuming = nullptr;
    QIcon normalIcon;
};

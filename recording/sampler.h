#pragma once

#include "ruleset.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

class LogWriter;
struct ForegroundSample;

// Turns the samples of the window in front into rows of ApplicationLog. A
// row is one unbroken stretch of one window on one day: it ends, and the
// next sample starts a new one, when the window or its program changes, a
// tick finds no window, the local date changes, or the ticks stopped for a
// while (a suspend, a stalled machine). A gap's own time is never added.
//
// After awayMinutes without input nobody is taken to be at the computer:
// the time since the last input comes off the rows, nothing is recorded
// until input returns, and the absence goes to the log.
class Sampler : public QObject
{
    Q_OBJECT

public:
    static constexpr int TickSeconds = 5;

    explicit Sampler(LogWriter *writer, QObject *parent = nullptr);

    // What the time is; tests set a clock of their own.
    void setClock(std::function<QDateTime()> clock);
    QDateTime now() const { return clock(); }

    // Asks the foreground window source for what is in front now; the sample
    // is booked at this moment when it comes, or dropped when it comes too
    // late to tell what was in front then.
    void tick();

    // Ends the current stretch: the next sample starts a new row.
    void endStretch();

    // The user's privacy rules, for every sample from now on: they act here,
    // before anything of a window reaches the writer.
    void setRules(const RuleSet &rules);
    // While paused nothing is recorded, not even a sample already asked for,
    // nor time away.
    void setPaused(bool paused);
    bool isPaused() const { return paused; }

    // What a row of a window whose title is hidden has for a title.
    static QString hiddenTitle();

    // Minutes without input that make an absence; 0 never does.
    int awayMinutes() const { return away.minutes; }
    void setAwayMinutes(int minutes);
    // How long an absence's minute is in milliseconds: 60000, unless a test
    // shortens it through KESTO_AWAY_MINUTE_MS.
    static int minuteMs();

    // Whether the user is away, as the desktop says now.
    bool isAway();
    // An absence still going on at exit ends now, without a question.
    void finishAbsence();

signals:
    // Input came back: the absence lasted from the last input before it to
    // the first after it.
    void returned(const QDateTime &from, const QDateTime &to);

private:
    struct Booked
    {
        quint64 stretch;
        QDateTime start;
        qint64 seconds;
    };

    void take(const std::optional<ForegroundSample> &sample, const QDateTime &at);
    void book(const QDateTime &at, int seconds);
    // Updates the absence from the desktop's idle time; true while away.
    bool checkPresence(const QDateTime &at);
    void leave(const QDateTime &since);
    void comeBack(const QDateTime &at, bool announce);

    LogWriter *writer;
    std::function<QDateTime()> clock;
    quint64 requests = 0;
    quint64 stretch = 0;
    bool inStretch = false;
    QString lastAppTitle;
    QString lastAppFileName;
    RuleSet rules;
    bool paused = false;
    // The rules' verdict on the last window seen, kept while it stays in front.
    QString judgedTitle;
    QString judgedPath;
    RuleSet::Keep judged = RuleSet::Keep::Everything;
    bool hasJudged = false;
    QDate stretchDay;
    QDateTime lastTick;
    // The stretches that may still lose time to an absence, oldest first.
    QList<Booked> recent;
    struct Absence
    {
        int minutes = 5;
        bool active = false;
        QDateTime since;
    } away;
    // While away, input is looked for more often than a tick.
    QTimer presence;
};

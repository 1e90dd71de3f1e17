#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

// Answers joined to programs. An answer stands for the time since the
// previous prompt (taken as the previous answer), or since the end of an
// absence, or since recording began that day, whichever is latest, and for
// at most one prompt interval (the one in effect when it was given). The
// programs it stands for are the program time inside that span.
//
// Times are plain local times: QDateTime in Qt::UTC holding the stored
// local date and time, so that no time zone or clock change moves them.
namespace AnswerJoin {

struct Answer
{
    QDateTime at;
    QString text;
};

struct Span
{
    QDateTime start;
    QDateTime end;
};

// The prompt interval in effect from `since` on (invalid: from always).
struct Interval
{
    QDateTime since;
    int minutes = 30;
};

struct Stretch
{
    QDateTime start;
    qint64 seconds = 0;
    QString program;
    QString category;
};

struct ProgramTime
{
    QString program;
    QString category;
    qint64 seconds = 0;
};

struct Joined
{
    QString answer;
    QDateTime at;
    QDateTime start; // where the time it stands for begins
    qint64 seconds = 0;
    QList<ProgramTime> programs; // in the order first met
};

// The interval in effect at a time: the latest that began at or before it,
// else `fallback`. Intervals in the order they began.
int minutesAt(const QList<Interval> &intervals, const QDateTime &at, int fallback);

// The answers given on `day`, joined. `answers` are that day's in time
// order; `absences` and `stretches` those that reach into the day (stretches
// begun the day before count from midnight); `intervals` in the order they
// began.
QList<Joined> joinDay(const QDate &day, const QList<Answer> &answers, const QList<Span> &absences,
                      const QList<Interval> &intervals, int fallbackMinutes, const QList<Stretch> &stretches);

// A stored 'YYYY-MM-DD HH:MM:SS' as a plain time; invalid for anything else.
QDateTime plainTime(const QString &stamp);
QString stampText(const QDateTime &plain);

} // namespace AnswerJoin

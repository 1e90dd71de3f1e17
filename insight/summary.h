#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>

// What the summary shows for a range of days: where the recorded time went,
// by category, by program and by answer, and how it spread over the days.
// Seconds throughout; away time is never part of program time.
struct SummaryEntry
{
    QString name;        // category, program path or answer text
    qint64 seconds = 0;
};

// One column of the chart: a day, or a week (Monday first) for long ranges.
struct SummaryColumn
{
    QDate first;
    QDate last;
    QList<qint64> seconds; // one per Summary::stackKeys entry, in that order
    qint64 away = 0;
};

// The programs an answer's time was spent in.
struct AnswerPrograms
{
    QString answer;
    qint64 seconds = 0;           // the time the answer stands for
    QList<SummaryEntry> programs; // program time within it, most first
};

struct Summary
{
    QDate from;
    QDate to;
    qint64 recorded = 0; // program time in the range
    qint64 away = 0;     // time away in the range
    // Most time first; ties by name. Time no category rule matched is under
    // an empty name.
    QList<SummaryEntry> categories;
    QList<SummaryEntry> programs;
    QList<SummaryEntry> answers;
    // The chart: what each column is stacked by (categories when rules give
    // any, else the top programs and "" for the rest), and the columns.
    bool weekly = false;
    QStringList stackKeys;
    QList<SummaryColumn> columns;
    // Answers joined to programs, most time first.
    QList<AnswerPrograms> joined;
    bool complete = false; // false: totals only, the answers and join follow
    QString error;         // why the log could not be read; empty when it could
};

// A day's record as the timeline draws it.
struct TimelineDay
{
    struct Stretch
    {
        QDateTime start;
        qint64 seconds = 0;
        QString program;
        QString title;
        QString category; // empty when no rule gives one
    };
    struct Answer
    {
        QDateTime at;
        QString text;
    };
    struct Away
    {
        QDateTime start;
        QDateTime end;
    };
    QDate day;
    QList<Stretch> stretches; // in time order, clipped to the day
    QList<Answer> answers;
    QList<Away> away; // clipped to the day
    QString error;
};

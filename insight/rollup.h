#pragma once

#include "ruleset.h"

#include <QDate>
#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QTimer>

#include <atomic>

class LogWriter;

// Totals kept ahead of time in the log, so that a summary of years reads a
// few thousand rows instead of millions: program time per day x program x
// category, and the program time inside each answer's time. Finished days
// are rolled up (today and yesterday stay raw: a stretch can still be cut
// back after midnight); what is not (newer rows, days a change voided, rows
// with odd dates) is read from the raw rows, so that every total equals
// what the raw rows give. A log without the tables (one this kesto could
// not migrate) is read raw throughout.
class Rollup : public QObject
{
    Q_OBJECT

public:
    // Builds through the writer, in short transactions.
    explicit Rollup(LogWriter *writer, QObject *parent = nullptr);

    // Builds after `delayMs`, then after each midnight.
    void start(int delayMs);
    // Days were voided (forgotten, rules changed): build again soon.
    void refresh();
    bool isBuilding() const { return building; }

    enum class Step { More, Done, Failed };
    // One short piece of building (at most about `budgetMs`), inside the
    // caller's write transaction. `today` and the day before stay raw.
    static Step step(QSqlDatabase &db, const QDate &today, int budgetMs = 50);
    // Builds all at once, each step a transaction of its own, on a
    // connection of the caller's (tests, the benchmark).
    static bool buildAll(QSqlDatabase &db, const QDate &today);

    // Program time of a day (as SQLite's DATE() gives it: null for a stamp
    // it cannot read), a program and a category ('' when none).
    struct ProgramTime
    {
        QString day;
        QString program;
        QString category;
        qint64 seconds = 0;
        qint64 dayNumber = 0; // the day's Julian day number; 0 when it is none
    };
    // Time an answer stands for on its day (no day: over the whole range):
    // with a null program the answer's own time, else the program time
    // within it.
    struct JoinTime
    {
        QString day;
        QString answer;
        QString program;
        qint64 seconds = 0;
    };
    // Kept: the rollup and the raw rows it does not cover. Raw: the raw rows
    // alone, as if nothing were kept.
    enum class Source { Kept, Raw };
    // Joins by day, or summed over the range.
    enum class Days { Each, Together };

    // The rows of the Programs view's range, from the first second of
    // `from` through the last of `to`, summed by day, program and category.
    // A key can come more than once (kept and raw time of one day): the
    // caller adds them up, as with the joins.
    // False (with `error`) when the log cannot be read or `stop` was set.
    static bool readPrograms(const QSqlDatabase &db, const QDate &from, const QDate &to,
                             RuleSet::Categorizer &categorizer, QList<ProgramTime> *out,
                             const std::atomic<bool> *stop = nullptr, Source source = Source::Kept,
                             QString *error = nullptr);
    // The answers given in the range, joined to programs.
    static bool readJoins(const QSqlDatabase &db, const QDate &from, const QDate &to, QList<JoinTime> *out,
                          const std::atomic<bool> *stop = nullptr, Source source = Source::Kept,
                          Days days = Days::Each, QString *error = nullptr);

    // The categories rules give, as the rollup records which it holds.
    static QString rulesDigest(const QList<Rule> &rules);
    // The rules stored in the log, ready to sort rows into categories.
    static RuleSet storedRules(const QSqlDatabase &db);

    // The condition that a date column holds a plain 'YYYY-MM-DD HH:MM:SS'
    // of its own day.
    static QString wellFormed(const QString &column);

signals:
    // Caught up with the log.
    void built();

private:
    void next();
    void scheduleMidnight();

    LogWriter *writer;
    QTimer later;
    QTimer midnight;
    bool building = false;
    bool again = false;
};

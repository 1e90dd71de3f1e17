#pragma once

#include "reportrows.h"
#include "reportrunner.h"
#include "ruleset.h"

#include <memory>

#include <QDate>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QLocale>
#include <QMutex>
#include <QSqlDatabase>
#include <QThread>

// One search of the activity log, read on a thread of its own with a
// connection of its own, handing finished days to the interface as it goes.
class ReportSearch : public QThread
{
    Q_OBJECT

public:
    ReportSearch(const QSqlDatabase &db, int kind, const QDate &from, const QDate &to, const ReportScope &scope = {},
                 QObject *parent = nullptr);
    // Cancels and waits; a statement under way is interrupted.
    ~ReportSearch() override;

    void cancel() { stopping.cancel(); }
    // Whether a statement failed, and why; false when the log was read
    // whole or the search was cancelled. Read once the thread has finished.
    bool failed() const { return failedRead; }
    QString error() const { return failure; }

    // A program of the programs view: its file name, and the ending its
    // window titles share (" — Mozilla Firefox"), kept once instead of in
    // every row. Rows whose program id has kSharedEnding set end with it.
    struct Program
    {
        QString fileName;
        QString titleEnding;
        QString path;
    };
    static constexpr quint32 kSharedEnding = 0x80000000u;

    struct Taken
    {
        ReportRows rows;
        QList<Program> newPrograms;
        // With all computers, their names (once, before their rows); a
        // row's computer is ReportRows::computerOf(row.program).
        QStringList computers;
        // Which of them is this computer, whose rows alone can be forgotten.
        int ownComputer = -1;
        bool restart = false;
        // The programs view's category names, in the first batch (and again
        // after a restart): a row's category number counts from 1 in them.
        QStringList categories;
    };
    // The finished days read since the last call. With `restart` set, the
    // rows shown so far must go: the whole range comes again.
    Taken take();
    // Once finished: the notice of what the sync folder held that was not
    // read, or an empty string.
    QString notice() const;

signals:
    // Days are waiting; emitted once until they are taken.
    void rowsReady();

protected:
    void run() override;

private:
    void addRow(class QSqlQuery &query);
    void handOn(bool all);

    const QString databaseName;
    const QString connectOptions;
    const int kind;
    const QDate from;
    const QDate to;
    const QLocale locale;
    const ReportScope scope;
    ReportCancel stopping;
    bool failedRead = false;
    QString failure;
    int computerColumn = -1;
    int rowIdColumn = -1;

    // The reading side, touched by the worker only.
    ReportRows reading;
    QHash<QString, quint32> programIds;
    std::unique_ptr<RuleSet::Categorizer> categorizer;
    QList<Program> programs;
    QList<Program> programsToHand;
    int handedRows = 0;
    bool first = true;
    QDate currentDay;
    QString lastDateText;
    QDateTime lastDateTime;
    QElapsedTimer sinceHanded;

    mutable QMutex mutex;
    Taken waiting;
    QString skipped;
    bool notified = false;
};

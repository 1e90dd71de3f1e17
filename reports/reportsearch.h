#pragma once

#include "reportrows.h"
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

#include <atomic>

// One search of the activity log, read on a thread of its own with a
// connection of its own, handing finished days to the interface as it goes.
class ReportSearch : public QThread
{
    Q_OBJECT

public:
    ReportSearch(const QSqlDatabase &db, int kind, const QDate &from, const QDate &to, QObject *parent = nullptr);
    // Cancels and waits: a day's statement takes milliseconds.
    ~ReportSearch() override;

    void cancel() { stop = true; }

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
        bool restart = false;
        // The programs view's category names, in the first batch (and again
        // after a restart): a row's category number counts from 1 in them.
        QStringList categories;
    };
    // The finished days read since the last call. With `restart` set, the
    // rows shown so far must go: the whole range comes again.
    Taken take();

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
    std::atomic<bool> stop{false};

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

    QMutex mutex;
    Taken waiting;
    bool notified = false;
};

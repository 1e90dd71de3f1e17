#pragma once

#include "reportrunner.h"
#include "summary.h"

#include <QDate>
#include <QSqlDatabase>
#include <QString>
#include <QThread>

#include <functional>

// Reads the summary of a range of days on a thread of its own, with a
// read-only connection of its own: first the totals (summary.complete
// false), then the whole summary with the answers joined to programs.
// Totals come from what the log keeps ahead of time (Rollup) and the raw
// rows it does not cover yet.
class SummaryReader : public QThread
{
    Q_OBJECT

public:
    SummaryReader(const QSqlDatabase &db, const QDate &from, const QDate &to, QObject *parent = nullptr);
    // Cancels and waits.
    ~SummaryReader() override;

    // Any thread; a statement under way is interrupted.
    void cancel() { stopping.cancel(); }
    void cancelAndWait() { stopping.cancelAndWait(*this); }

    // Reads on the calling thread; `totals`, when given, gets the first
    // summary as soon as it is there. A cancelled read returns an
    // incomplete summary without an error.
    static Summary read(const QString &databaseName, const QString &connectOptions, const QDate &from,
                        const QDate &to, ReportCancel *cancel = nullptr,
                        const std::function<void(const Summary &)> &totals = {});

    // Ranges longer than this many days are charted by week.
    static constexpr int MaxDailyColumns = 60;
    // Without categories the chart stacks this many programs and the rest.
    static constexpr int StackedPrograms = 8;

signals:
    void totalsRead(const Summary &summary);
    // Also when the log could not be read (summary.error says why); not
    // after a cancel.
    void summaryRead(const Summary &summary);

protected:
    void run() override;

private:
    const QString databaseName;
    const QString connectOptions;
    const QDate from;
    const QDate to;
    ReportCancel stopping;
};

// A day's record for the timeline, read on the caller's connection (a day
// is a few thousand rows at most).
namespace TimelineReader {
TimelineDay read(const QSqlDatabase &db, const QDate &day);
}

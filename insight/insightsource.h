#pragma once

#include "summary.h"

#include <QDate>
#include <QString>

#include <functional>

// Where the summary and the timeline get their figures: the log's readers in
// kesto (LogInsight), fixed figures in tests. The chart is stacked by
// category when the rules give categories, else by the top programs.
class InsightSource
{
public:
    virtual ~InsightSource() = default;

    // Starts reading a range of days. `ready` is called on the caller's
    // thread with each Summary as it gets ready: the totals first
    // (complete false), then the whole. A new read or cancel() drops what
    // the one before would still deliver.
    virtual void read(const QDate &from, const QDate &to, std::function<void(const Summary &)> ready) = 0;
    virtual void cancel() = 0;

    // A day's record; its error says why it could not be read.
    virtual TimelineDay timeline(const QDate &day) = 0;

    enum class Sheet { Answer, Category };
    // Writes hours per day and answer (or category) over a range as a CSV
    // file; an empty string when it was written, else why not.
    virtual QString writeTimesheet(const QDate &from, const QDate &to, Sheet sheet, const QString &fileName) = 0;
};

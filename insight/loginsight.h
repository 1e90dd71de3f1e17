#pragma once

#include "insightsource.h"

#include <QSqlDatabase>

#include <memory>

class SummaryReader;

// The summary's figures from the log: the summary read on a thread of its
// own, a day's timeline and the timesheet.
class LogInsight : public InsightSource
{
public:
    explicit LogInsight(const QSqlDatabase &db);
    ~LogInsight() override;

    void read(const QDate &from, const QDate &to, std::function<void(const Summary &)> ready) override;
    void cancel() override;
    TimelineDay timeline(const QDate &day) override;
    QString writeTimesheet(const QDate &from, const QDate &to, Sheet sheet, const QString &fileName) override;

private:
    QSqlDatabase db;
    std::unique_ptr<SummaryReader> reader;
};

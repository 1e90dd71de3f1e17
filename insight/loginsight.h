#pragma once

#include "insightsource.h"

#include <QSqlDatabase>

// The summary's figures from the log. It reads the raw rows of the range on
// the calling thread, with no kept totals: the place where kesto's readers
// of kept totals come in.
class LogInsight : public InsightSource
{
public:
    explicit LogInsight(const QSqlDatabase &db);

    void read(const QDate &from, const QDate &to, std::function<void(const Summary &)> ready) override;
    void cancel() override {}
    TimelineDay timeline(const QDate &day) override;
    QString writeTimesheet(const QDate &from, const QDate &to, Sheet sheet, const QString &fileName) override;

    // Up to this many programs stack the columns; the rest is one.
    static constexpr int StackedPrograms = 8;

private:
    QSqlDatabase db;
};

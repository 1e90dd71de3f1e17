#pragma once

#include <QDate>
#include <QSqlDatabase>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class QSqlQuery;

// Runs a report's statement over a date range the way the activity log reads
// it. The programs view runs one whole day at a time, newest day first, so
// that the first rows are there at once and no sort spans more than a day. A
// log whose dates are all 'YYYY-MM-DD HH:MM:SS' gives exactly the rows of the
// statement run once over the whole range. Anything else (stamps between two
// days' bounds, times that SQLite reads as another day or as none) could land
// elsewhere in that single result, so such a range is read with the single
// statement instead.
class ReportRunner
{
public:
    // A connection of its own on the log's file, read-only, for this thread.
    ReportRunner(const QString &databaseName, const QString &connectOptions);
    ~ReportRunner();
    ReportRunner(const ReportRunner &) = delete;
    ReportRunner &operator=(const ReportRunner &) = delete;

    bool isOpen() const;
    // The connection, for what else a report reads (the rules).
    QSqlDatabase database() const;

    // Called with each executed statement; reads its rows and returns false to
    // stop. `restart` tells that everything handed on so far is void: the
    // whole range follows again from the single statement.
    using Reader = std::function<bool(QSqlQuery &query)>;
    using Restart = std::function<void()>;

    // False when a statement failed (nothing more is read) or `stop` was set.
    bool run(int kind, const QDate &from, const QDate &to, const Reader &read, const Restart &restart,
             const std::atomic<bool> &stop);
    QString lastError() const { return error; }

private:
    bool sortsInItsDay(int kind, const QDate &day);
    bool readAll(int kind, const QDate &from, const QDate &to, const Reader &read);

    QString name;
    QString error;
    std::unique_ptr<QSqlQuery> odd;
    int oddKind = -1;
};

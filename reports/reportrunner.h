#pragma once

#include <QDate>
#include <QMutex>
#include <QSqlDatabase>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class QSqlQuery;
class QThread;
struct sqlite3;

// Stops a report that reads on a thread of its own. The flag ends it between
// rows and statements; a statement still sorting before its first row (the
// whole range of a big log takes seconds) is ended by SQLite's interrupt on
// the reading connection.
class ReportCancel
{
public:
    // Any thread.
    void cancel();
    bool isCancelled() const { return stop.load(); }
    const std::atomic<bool> &flag() const { return stop; }
    // Cancels and waits for the reading thread. A statement that started just
    // as the flag was set is interrupted again while the thread runs.
    void cancelAndWait(QThread &thread);

private:
    friend class ReportRunner;
    // The reading thread, while its connection is open.
    void attach(const QSqlDatabase &db);
    void detach();

    std::atomic<bool> stop{false};
    QMutex mutex;
    sqlite3 *handle = nullptr;
};

// Whose rows a report reads: this computer's log alone, or with the logs that
// the other computers published into the sync folder.
struct ReportScope
{
    bool allComputers = false;
    QString folder;
    QString ownId;
    QString ownName;
};

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
    // With all computers the other computers' logs are attached to it,
    // read-only and immutable. `cancel`, when given, can stop its statements
    // from another thread.
    ReportRunner(const QString &databaseName, const QString &connectOptions, const ReportScope &scope = {},
                 ReportCancel *cancel = nullptr);
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

    // False when a statement failed, also while stepping through its rows
    // (nothing more is read), or `stop` was set.
    bool run(int kind, const QDate &from, const QDate &to, const Reader &read, const Restart &restart,
             const std::atomic<bool> &stop);
    QString lastError() const { return error; }

    // With all computers, their names in the order of the numbers in the
    // Computer column; empty for this computer alone.
    QStringList computers() const { return names; }
    // With all computers, this computer's number among them; else -1.
    int ownComputer() const { return int(schemas.indexOf(QStringLiteral("main"))); }
    // What the sync folder held that was not read, as a notice to show; an
    // empty string when everything was read.
    QString notice() const { return skipped; }

    // A statement over every log read, its arms joined by UNION ALL: each
    // arm is `arm` with %S replaced by the log's schema and a dot.
    QString overLogs(const QString &arm) const;

private:
    bool sortsInItsDay(int kind, const QDate &day);
    bool readAll(int kind, const QDate &from, const QDate &to, const Reader &read);
    bool readRows(QSqlQuery &query, const Reader &read);

    void attachOthers(const ReportScope &scope);

    QString name;
    QString error;
    QStringList schemas; // empty: this computer's log alone
    QStringList names;
    QString skipped;
    std::unique_ptr<QSqlQuery> odd;
    int oddKind = -1;
    ReportCancel *cancel = nullptr;
};

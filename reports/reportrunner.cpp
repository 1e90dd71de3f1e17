#include "reportrunner.h"

#include "reportview.h"

#include <QAtomicInteger>
#include <QSqlError>
#include <QSqlQuery>

namespace {

QString uniqueConnectionName()
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("kesto-report-%1").arg(counter.fetchAndAddRelaxed(1));
}

// The table and date column a view kind reads.
QString table(int kind)
{
    return kind == ReportView::Programs ? QStringLiteral("ApplicationLog") : QStringLiteral("ActivityLog");
}

QString column(int kind)
{
    return kind == ReportView::Programs ? QStringLiteral("AppDate") : QStringLiteral("ActDate");
}

} // namespace

ReportRunner::ReportRunner(const QString &databaseName, const QString &connectOptions)
    : name(uniqueConnectionName())
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(databaseName);
    // Reports only read; read-only also keeps a missing file from being created.
    QString options = connectOptions;
    if (!options.isEmpty())
        options += QLatin1Char(';');
    db.setConnectOptions(options + QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!db.open())
        error = db.lastError().text();
}

ReportRunner::~ReportRunner()
{
    odd.reset();
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QSqlDatabase ReportRunner::database() const
{
    return QSqlDatabase::database(name, false);
}

bool ReportRunner::isOpen() const
{
    return QSqlDatabase::database(name, false).isOpen();
}

bool ReportRunner::sortsInItsDay(int kind, const QDate &day)
{
    // The programs view sorts by SQLite's DATE(), which is this day only for a
    // well-formed time.
    if (!odd || oddKind != kind) {
        odd = std::make_unique<QSqlQuery>(QSqlDatabase::database(name, false));
        odd->setForwardOnly(true);
        odd->prepare(QStringLiteral("SELECT 1 FROM %1 WHERE %2>=? AND %2<=? AND NOT ("
                                    "%2 GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [01][0-9]:[0-5][0-9]:[0-5][0-9]' "
                                    "OR %2 GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] 2[0-3]:[0-5][0-9]:[0-5][0-9]'"
                                    ") LIMIT 1")
                         .arg(table(kind), column(kind)));
        oddKind = kind;
    }
    odd->bindValue(0, day.toString(Qt::ISODate));
    odd->bindValue(1, day.toString(Qt::ISODate) + QStringLiteral("T23:59:59"));
    const bool clean = odd->exec() && !odd->next();
    odd->finish();
    return clean;
}

bool ReportRunner::readAll(int kind, const QDate &from, const QDate &to, const Reader &read)
{
    QSqlQuery query = ReportView::run(QSqlDatabase::database(name, false), kind, from, to);
    if (!query.isActive()) {
        error = query.lastError().text();
        return false;
    }
    return read(query);
}

bool ReportRunner::run(int kind, const QDate &from, const QDate &to, const Reader &read, const Restart &restart,
                       const std::atomic<bool> &stop)
{
    if (!isOpen())
        return false;
    if (ReportView::statement(kind).isEmpty()) {
        error = QStringLiteral("unknown report");
        return false;
    }
    const auto single = [&] {
        restart();
        return readAll(kind, from, to, read) && !stop.load();
    };
    // Answers are a few dozen a day: their statements run once over the
    // range (the detailed one streams newest first through its index anyway).
    if (kind != ReportView::Programs)
        return readAll(kind, from, to, read) && !stop.load();
    if (from > to)
        return single();
    const QSqlDatabase db = QSqlDatabase::database(name, false);
    QSqlQuery day(db);
    day.setForwardOnly(true);
    if (!day.prepare(ReportView::statement(kind)))
        return single();
    // Walks down from the newest stamp of the range: each step finds the
    // newest stamp below the last day read, which names the next day with
    // rows, or is a stamp outside every day's bounds. Empty days cost nothing.
    const QString sql = QStringLiteral("SELECT MAX(%2) FROM %1 WHERE %2>=? AND %2%3?");
    QSqlQuery newestOfRange(db);
    QSqlQuery newestBelow(db);
    newestOfRange.setForwardOnly(true);
    newestBelow.setForwardOnly(true);
    if (!newestOfRange.prepare(sql.arg(table(kind), column(kind), QStringLiteral("<=")))
        || !newestBelow.prepare(sql.arg(table(kind), column(kind), QStringLiteral("<"))))
        return single();
    const QString start = from.toString(Qt::ISODate);
    QString below = to.toString(Qt::ISODate) + QStringLiteral("T23:59:59");
    QSqlQuery *newest = &newestOfRange;
    while (!stop.load(std::memory_order_relaxed)) {
        newest->bindValue(0, start);
        newest->bindValue(1, below);
        if (!newest->exec() || !newest->next())
            return single();
        const QVariant stamp = newest->value(0);
        newest->finish();
        if (stamp.isNull())
            return true;
        const QString text = stamp.toString();
        const QDate date = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
        const QString dayText = date.toString(Qt::ISODate);
        if (!date.isValid() || date < from || date > to || !text.startsWith(dayText)
            || text > dayText + QStringLiteral("T23:59:59") || !sortsInItsDay(kind, date))
            return single();
        if (!ReportView::bindAndExec(day, date, date)) {
            error = day.lastError().text();
            return false;
        }
        const bool more = read(day);
        day.finish();
        if (!more)
            return false;
        below = dayText;
        newest = &newestBelow;
    }
    return false;
}

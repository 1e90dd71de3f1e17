#include "reportrunner.h"

#include "peerlogs.h"
#include "reportview.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <sqlite3.h>

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

void ReportCancel::cancel()
{
    stop = true;
    QMutexLocker lock(&mutex);
    if (handle)
        sqlite3_interrupt(handle);
}

void ReportCancel::cancelAndWait(QThread &thread)
{
    // SQLite forgets an interrupt that comes while no statement runs, so one
    // that began between the reader's look at the flag and the interrupt is
    // caught by the next round.
    cancel();
    while (!thread.wait(QDeadlineTimer(10)))
        cancel();
}

void ReportCancel::attach(const QSqlDatabase &db)
{
    const QVariant driverHandle = db.driver()->handle();
    QMutexLocker lock(&mutex);
    if (driverHandle.isValid() && qstrcmp(driverHandle.typeName(), "sqlite3*") == 0)
        handle = *static_cast<sqlite3 *const *>(driverHandle.constData());
}

void ReportCancel::detach()
{
    // Interrupting a connection that is closing is not allowed: close waits.
    QMutexLocker lock(&mutex);
    handle = nullptr;
}

ReportRunner::ReportRunner(const QString &databaseName, const QString &connectOptions, const ReportScope &scope,
                           ReportCancel *cancel)
    : name(uniqueConnectionName())
    , cancel(cancel)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(databaseName);
    // Reports only read; read-only also keeps a missing file from being created.
    QString options = connectOptions;
    if (!options.isEmpty())
        options += QLatin1Char(';');
    options += QStringLiteral("QSQLITE_OPEN_READONLY");
    // The other computers' logs are attached by URI.
    if (scope.allComputers)
        options += QStringLiteral(";QSQLITE_OPEN_URI");
    db.setConnectOptions(options);
    if (!db.open()) {
        error = db.lastError().text();
        return;
    }
    if (cancel)
        cancel->attach(db);
    if (scope.allComputers)
        attachOthers(scope);
}

void ReportRunner::attachOthers(const ReportScope &scope)
{
    PeerLogs::Found found = PeerLogs::scan(scope.folder, scope.ownId);
    QList<std::pair<QString, QString>> logs{{scope.ownName, QStringLiteral("main")}};
    int number = 0;
    for (const PeerLogs::Peer &peer : std::as_const(found.peers)) {
        const QString schema = QStringLiteral("computer%1").arg(++number);
        QSqlQuery attach(QSqlDatabase::database(name, false));
        attach.prepare(QStringLiteral("ATTACH DATABASE ? AS %1").arg(schema));
        attach.addBindValue(PeerLogs::readOnlyUri(peer.path));
        if (attach.exec())
            logs.append({peer.name, schema});
        else
            found.skipped.append({QFileInfo(peer.path).fileName(), QCoreApplication::translate("PeerLogs", "cannot be opened")});
    }
    std::sort(logs.begin(), logs.end(), [](const auto &a, const auto &b) { return a.first.localeAwareCompare(b.first) < 0; });
    for (const auto &[computer, schema] : std::as_const(logs)) {
        names << computer;
        schemas << schema;
    }
    skipped = PeerLogs::notice(found);
}

QString ReportRunner::overLogs(const QString &arm) const
{
    QStringList arms;
    for (const QString &schema : schemas.isEmpty() ? QStringList{QStringLiteral("main")} : schemas)
        arms << QString(arm).replace(QLatin1String("%S"), schema + QLatin1Char('.'));
    return arms.join(QStringLiteral(" UNION ALL "));
}

ReportRunner::~ReportRunner()
{
    if (cancel)
        cancel->detach();
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
        odd->prepare(QStringLiteral("SELECT 1 FROM (")
                     + overLogs(QStringLiteral("SELECT 1 FROM %S%1 WHERE %2>=:from AND %2<=:to AND NOT ("
                                               "%2 GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [01][0-9]:[0-5][0-9]:[0-5][0-9]' "
                                               "OR %2 GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] 2[0-3]:[0-5][0-9]:[0-5][0-9]'"
                                               ")")
                                    .arg(table(kind), column(kind)))
                     + QStringLiteral(") LIMIT 1"));
        oddKind = kind;
    }
    odd->bindValue(QStringLiteral(":from"), day.toString(Qt::ISODate));
    odd->bindValue(QStringLiteral(":to"), day.toString(Qt::ISODate) + QStringLiteral("T23:59:59"));
    const bool clean = odd->exec() && !odd->next();
    odd->finish();
    return clean;
}

bool ReportRunner::readAll(int kind, const QDate &from, const QDate &to, const Reader &read)
{
    QSqlQuery query = ReportView::run(QSqlDatabase::database(name, false), kind, from, to, schemas);
    if (!query.isActive()) {
        error = query.lastError().text();
        return false;
    }
    return readRows(query, read);
}

bool ReportRunner::readRows(QSqlQuery &query, const Reader &read)
{
    if (!read(query))
        return false;
    // The rows end the same way at their end and at a page that cannot be
    // read: only the error tells a damaged log from a shorter one.
    if (query.lastError().isValid()) {
        error = query.lastError().text();
        return false;
    }
    return true;
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
        if (stop.load())
            return false;
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
    if (!day.prepare(ReportView::statement(kind, schemas)))
        return single();
    // Walks down from the newest stamp of the range: each step finds the
    // newest stamp below the last day read, which names the next day with
    // rows, or is a stamp outside every day's bounds. Empty days cost nothing.
    const auto newestSql = [&](const QString &below) {
        return QStringLiteral("SELECT MAX(Stamp) FROM (")
               + overLogs(QStringLiteral("SELECT MAX(%2) AS Stamp FROM %S%1 WHERE %2>=:from AND %2%3:to")
                              .arg(table(kind), column(kind), below))
               + QLatin1Char(')');
    };
    QSqlQuery newestOfRange(db);
    QSqlQuery newestBelow(db);
    newestOfRange.setForwardOnly(true);
    newestBelow.setForwardOnly(true);
    if (!newestOfRange.prepare(newestSql(QStringLiteral("<="))) || !newestBelow.prepare(newestSql(QStringLiteral("<"))))
        return single();
    const QString start = from.toString(Qt::ISODate);
    QString below = to.toString(Qt::ISODate) + QStringLiteral("T23:59:59");
    QSqlQuery *newest = &newestOfRange;
    while (!stop.load(std::memory_order_relaxed)) {
        newest->bindValue(QStringLiteral(":from"), start);
        newest->bindValue(QStringLiteral(":to"), below);
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
        const bool more = readRows(day, read);
        day.finish();
        if (!more)
            return false;
        below = dayText;
        newest = &newestBelow;
    }
    return false;
}

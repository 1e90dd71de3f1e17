#include "logdatabase.h"

#include "schema.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QVariant>

namespace LogDatabase {

QString databasePath()
{
    return QDir::toNativeSeparators(QDir::homePath() + QStringLiteral("/kesto.db"));
}

QString templatePath()
{
    return QDir::toNativeSeparators(QDir::currentPath() + QStringLiteral("/template.db"));
}

bool copyTemplateIfMissing()
{
    const QString path = databasePath();
    if (QFile::exists(path))
        return false;
    QFile::copy(templatePath(), path);
    return true;
}

QSqlDatabase addConnection()
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(databasePath());
    // Every statement runs on the interface thread: while another program
    // holds the log, a statement gives up after a quarter second instead of
    // the driver's five, and what it would have written waits in memory.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
    return db;
}

void createSchemaIfEmpty(QSqlDatabase &db)
{
    if (!db.isOpen())
        return;
    // tables() answers nothing for a file that is not a database at all; then
    // the schema fails to apply and the file stays as it was.
    const QStringList existing = db.tables();
    for (const QString &table : existing) {
        for (const char *known : {"ApplicationLog", "ActivityLog", "Options"}) {
            if (table.compare(QLatin1String(known), Qt::CaseInsensitive) == 0)
                return;
        }
    }
    Schema::apply(db);
}

void migrate(QSqlDatabase &db)
{
    if (db.isOpen())
        Schema::migrate(db);
}

QVariant setting(QSqlDatabase &db, const QString &name, const QVariant &fallback)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT Value FROM Settings WHERE Name = ?"));
    query.addBindValue(name);
    if (query.exec() && query.next() && !query.value(0).isNull())
        return query.value(0);
    return fallback;
}

void restrictToOwner(const QString &path)
{
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void useWriteAheadLog(QSqlDatabase &db)
{
    // Read-only or locked files keep their journal; nothing is lost by that.
    QSqlQuery(QStringLiteral("PRAGMA journal_mode=WAL"), db);
    QSqlQuery(QStringLiteral("PRAGMA synchronous=FULL"), db);
}

int readQueryMinutes(QSqlDatabase &db)
{
    QSqlQuery query(QStringLiteral("SELECT QueryMinutes FROM Options"), db);
    if (query.isActive() && query.next() && !query.value(0).isNull()) {
        bool ok = false;
        const int minutes = query.value(0).toInt(&ok);
        // The timer refuses negative intervals: no prompt would ever come.
        if (ok && minutes >= 0)
            return minutes;
    }
    return 30;
}

} // namespace LogDatabase

#include "schema.h"

#include "schema_sql.h"

#include <QSqlQuery>
#include <QVariant>

namespace Schema {

namespace {

const QString kVersionMark = QStringLiteral("-- version ");

// The statements of a SQL text, comments stripped; with version > 0 only
// those of that version's section.
QStringList split(const char *sql, int version)
{
    QStringList result;
    QString current;
    int section = 0;
    const QStringList lines = QString::fromUtf8(sql).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(kVersionMark)) {
            section = trimmed.mid(kVersionMark.size()).toInt();
            continue;
        }
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1String("--")) || section != version)
            continue;
        current += trimmed;
        // A trigger's body holds statements of its own: it ends at END.
        const bool inTrigger = current.startsWith(QLatin1String("CREATE TRIGGER"), Qt::CaseInsensitive)
                               && trimmed.compare(QLatin1String("END;"), Qt::CaseInsensitive) != 0;
        if (trimmed.endsWith(QLatin1Char(';')) && !inTrigger) {
            current.chop(1);
            result << current;
            current.clear();
        } else {
            current += QLatin1Char(' ');
        }
    }
    return result;
}

int userVersion(QSqlDatabase &db)
{
    QSqlQuery query(QStringLiteral("PRAGMA user_version"), db);
    return query.next() ? query.value(0).toInt() : -1;
}

} // namespace

QStringList statements()
{
    return split(kSchemaSql, 0);
}

int latestVersion()
{
    int latest = 0;
    for (const QString &line : QString::fromUtf8(kMigrationsSql).split(QLatin1Char('\n')))
        if (line.trimmed().startsWith(kVersionMark))
            latest = qMax(latest, line.trimmed().mid(kVersionMark.size()).toInt());
    return latest;
}

QStringList migration(int version)
{
    return split(kMigrationsSql, version);
}

Migrated migrate(QSqlDatabase &db)
{
    const int from = userVersion(db);
    const int to = latestVersion();
    if (from < 0)
        return Migrated::Failed;
    if (from > to)
        return Migrated::Newer;
    if (from == to)
        return Migrated::Current;
    if (!db.transaction())
        return Migrated::Failed;
    QStringList all;
    for (int version = from + 1; version <= to; ++version)
        all << migration(version);
    all << QStringLiteral("PRAGMA user_version = %1").arg(to);
    for (const QString &statement : std::as_const(all)) {
        QSqlQuery query(db);
        if (!query.exec(statement)) {
            db.rollback();
            return Migrated::Failed;
        }
    }
    return db.commit() ? Migrated::Done : (db.rollback(), Migrated::Failed);
}

bool apply(QSqlDatabase &db)
{
    if (!db.transaction())
        return false;
    for (const QString &statement : statements()) {
        QSqlQuery query(db);
        if (!query.exec(statement)) {
            db.rollback();
            return false;
        }
    }
    return db.commit();
}

} // namespace Schema

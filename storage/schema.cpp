#include "schema.h"

#include "schema_sql.h"

#include <QSqlQuery>

namespace Schema {

QStringList statements()
{
    QStringList result;
    QString current;
    const QStringList lines = QString::fromUtf8(kSchemaSql).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1String("--")))
            continue;
        current += trimmed;
        if (trimmed.endsWith(QLatin1Char(';'))) {
            current.chop(1);
            result << current;
            current.clear();
        } else {
            current += QLatin1Char(' ');
        }
    }
    return result;
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

#include "pendingtime.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

void PendingTime::owe(qint64 rowId, int seconds)
{
    for (Owed &entry : owed) {
        if (entry.rowId == rowId) {
            entry.seconds += seconds;
            return;
        }
    }
    owed.append(Owed{rowId, QString(), QString(), 0, seconds});
}

void PendingTime::startStretch(const QString &path, const QString &title)
{
    // A log that never comes back must not make this grow for months.
    if (owed.size() >= kMaxOwed)
        owed.removeFirst();
    owed.append(Owed{0, path, title, QDateTime::currentSecsSinceEpoch(), 0});
}

void PendingTime::oweNewest(int seconds)
{
    if (!owed.isEmpty() && owed.last().rowId == 0)
        owed.last().seconds += seconds;
}

bool PendingTime::flush(QSqlDatabase &db, qint64 *newestRowId)
{
    *newestRowId = 0;
    while (!owed.isEmpty()) {
        Owed &entry = owed.first();
        QSqlQuery query(db);
        if (entry.rowId == 0) {
            // Dated when the stretch began, by SQLite's clock like every row.
            const qint64 ago = qMax<qint64>(0, QDateTime::currentSecsSinceEpoch() - entry.began);
            query.prepare(QStringLiteral("INSERT INTO ApplicationLog (AppFileName, AppTitle, AppDate) VALUES "
                                         "(?, ?, datetime('now', 'localtime', ?))"));
            query.addBindValue(entry.path);
            query.addBindValue(entry.title);
            query.addBindValue(QStringLiteral("-%1 seconds").arg(ago));
            if (!query.exec())
                return false;
            entry.rowId = query.lastInsertId().toLongLong();
            if (owed.size() == 1)
                *newestRowId = entry.rowId;
        }
        if (entry.seconds > 0) {
            query.prepare(QStringLiteral("UPDATE ApplicationLog SET Duration = Duration + ? WHERE ROWID=?"));
            query.addBindValue(entry.seconds);
            query.addBindValue(entry.rowId);
            if (!query.exec())
                return false;
        }
        owed.removeFirst();
    }
    return true;
}

#include "forgetting.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

const QString kStamp = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// A stored stamp as a plain date and time, so that no time zone moves it;
// invalid for anything but 'YYYY-MM-DD HH:MM:SS'.
QDateTime plain(const QString &text)
{
    QDateTime stamp = QDateTime::fromString(text, kStamp);
    if (stamp.isValid())
        stamp.setTimeSpec(Qt::UTC);
    return stamp;
}

QDateTime plain(const QDateTime &local)
{
    return QDateTime(local.date(), local.time(), Qt::UTC);
}

} // namespace

bool Forgetting::coversAnswer(const QString &date, const QString &answer) const
{
    if (!answers || (text && *text != answer))
        return false;
    return date >= fromText() && date < toText();
}

bool ForgetPlan::make(QSqlDatabase &db, const Forgetting &what)
{
    *this = ForgetPlan();
    const QString from = what.fromText();
    const QString to = what.toText();
    if (what.programs && what.isSpan()) {
        // Rows that began before the span may reach into it: look back as far
        // as the longest row.
        QSqlQuery longest(QStringLiteral("SELECT MAX(Duration) FROM ApplicationLog"), db);
        if (!longest.next())
            return false;
        const qint64 reach = qMax<qint64>(0, longest.value(0).toLongLong());
        const QDateTime spanStart = plain(what.from);
        const QDateTime spanEnd = plain(what.to);
        QSqlQuery query(db);
        query.setForwardOnly(true);
        query.prepare(QStringLiteral("SELECT ROWID, AppDate, Duration, AppFileName, AppTitle FROM ApplicationLog "
                                     "WHERE AppDate < ? AND AppDate >= ?"));
        query.addBindValue(to);
        query.addBindValue(spanStart.addSecs(-reach).toString(kStamp));
        if (!query.exec())
            return false;
        while (query.next()) {
            const qint64 row = query.value(0).toLongLong();
            const QString dateText = query.value(1).toString();
            const qint64 duration = qMax<qint64>(0, query.value(2).toLongLong());
            const QDateTime start = plain(dateText);
            if (!start.isValid()) {
                // A stamp of another form has no end to cut at: it goes whole
                // when it sorts inside the span.
                if (dateText >= from) {
                    deleted.append(row);
                    time += duration;
                }
                continue;
            }
            const QDateTime end = start.addSecs(duration);
            if (start >= spanStart && end <= spanEnd) {
                deleted.append(row);
                time += duration;
            } else if (start < spanStart && end > spanStart) {
                Cut cut{row, dateText, start.secsTo(spanStart), QString(), 0, QString(), QString()};
                if (end > spanEnd) {
                    cut.tailStart = spanEnd.toString(kStamp);
                    cut.tailSeconds = spanEnd.secsTo(end);
                    cut.path = query.value(3).toString();
                    cut.title = query.value(4).toString();
                }
                time += duration - cut.seconds - cut.tailSeconds;
                cuts.append(cut);
            } else if (start >= spanStart && start < spanEnd) {
                // Begun inside, running on past the end: what is left starts there.
                cuts.append({row, spanEnd.toString(kStamp), spanEnd.secsTo(end), QString(), 0, QString(), QString()});
                time += start.secsTo(spanEnd);
            }
        }
    } else if (what.programs) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        QString sql = QStringLiteral("SELECT ROWID, Duration FROM ApplicationLog WHERE AppDate >= ? AND AppDate < ?");
        if (what.path)
            sql += QStringLiteral(" AND AppFileName = ?");
        if (what.title)
            sql += QStringLiteral(" AND AppTitle = ?");
        query.prepare(sql);
        query.addBindValue(from);
        query.addBindValue(to);
        if (what.path)
            query.addBindValue(*what.path);
        if (what.title)
            query.addBindValue(*what.title);
        if (!query.exec())
            return false;
        while (query.next()) {
            deleted.append(query.value(0).toLongLong());
            time += qMax<qint64>(0, query.value(1).toLongLong());
        }
    }
    if (what.answers && !what.path && !what.title) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        query.prepare(QStringLiteral("SELECT ROWID FROM ActivityLog WHERE ActDate >= ? AND ActDate < ?")
                      + (what.text ? QStringLiteral(" AND ActText = ?") : QString()));
        query.addBindValue(from);
        query.addBindValue(to);
        if (what.text)
            query.addBindValue(*what.text);
        if (!query.exec())
            return false;
        while (query.next())
            answerRows.append(query.value(0).toLongLong());
    }
    return true;
}

bool ForgetPlan::apply(QSqlDatabase &db, QString *error) const
{
    const auto run = [&](const QString &sql, const QVariantList &values) {
        QSqlQuery query(db);
        query.prepare(sql);
        for (const QVariant &value : values)
            query.addBindValue(value);
        if (query.exec())
            return true;
        if (error)
            *error = query.lastError().text();
        return false;
    };
    for (const qint64 row : deleted)
        if (!run(QStringLiteral("DELETE FROM ApplicationLog WHERE ROWID = ?"), {row}))
            return false;
    for (const Cut &cut : cuts) {
        if (!run(QStringLiteral("UPDATE ApplicationLog SET AppDate = ?, Duration = ? WHERE ROWID = ?"),
                 {cut.start, cut.seconds, cut.row}))
            return false;
        if (cut.tailSeconds > 0
            && !run(QStringLiteral("INSERT INTO ApplicationLog (AppFileName, AppTitle, AppDate, Duration) "
                                   "VALUES (?, ?, ?, ?)"),
                    {cut.path, cut.title, cut.tailStart, cut.tailSeconds}))
            return false;
    }
    for (const qint64 row : answerRows)
        if (!run(QStringLiteral("DELETE FROM ActivityLog WHERE ROWID = ?"), {row}))
            return false;
    return true;
}

#include "answercorrection.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

namespace {

const QString kUpdate = QStringLiteral("UPDATE ActivityLog SET ActText = ? WHERE ROWID = ? AND ActText IS ? AND ActDate IS ?");
const QString kDelete = QStringLiteral("DELETE FROM ActivityLog WHERE ROWID = ? AND ActText IS ? AND ActDate IS ?");
// A deleted answer comes back under its old ROWID unless another row has
// taken it since.
const QString kRestore = QStringLiteral(
    "INSERT INTO ActivityLog (ROWID, ActText, ActDate) VALUES ("
    "(SELECT CASE WHEN EXISTS (SELECT 1 FROM ActivityLog WHERE ROWID = ?) THEN NULL ELSE ? END), ?, ?)");

QString logTime(const QDateTime &when)
{
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

AnswerCorrection::AnswerCorrection(LogWriter *writer)
    : writer(writer)
{
}

bool AnswerCorrection::read(const QString &where, const QVariantList &values, QList<Row> *rows, Result *refused) const
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT ROWID, ActText, ActDate, DATE(ActDate) FROM ActivityLog WHERE ") + where);
    for (const QVariant &value : values)
        query.addBindValue(value);
    bool ok = query.exec();
    while (ok && query.next())
        rows->append({query.value(0).toLongLong(), query.value(1), query.value(2), query.value(3).toString()});
    // A page that cannot be read ends the rows as their end does.
    if (!ok || query.lastError().isValid()) {
        *refused = {Outcome::Refused, query.lastError().text()};
        return false;
    }
    return true;
}

AnswerCorrection::Result AnswerCorrection::edit(qint64 rowId, const QString &shownText, const QString &newText)
{
    if (rowId <= 0)
        return {Outcome::Unmatched, {}};
    return update(QStringLiteral("ROWID = ? AND ActText = ?"), {rowId, shownText}, newText);
}

AnswerCorrection::Result AnswerCorrection::remove(qint64 rowId, const QString &shownText)
{
    if (rowId <= 0)
        return {Outcome::Unmatched, {}};
    return erase(QStringLiteral("ROWID = ? AND ActText = ?"), {rowId, shownText});
}

namespace {

// The grouped view's rows of a day: its range, and SQLite's DATE() as the
// view groups them.
const QString kOfDay = QStringLiteral("ActText = ? AND ActDate >= ? AND ActDate <= ? AND DATE(ActDate) = ?");

QVariantList ofDay(const QDate &day, const QString &text)
{
    const QString date = day.toString(Qt::ISODate);
    return {text, date, date + QStringLiteral("T23:59:59"), date};
}

} // namespace

AnswerCorrection::Result AnswerCorrection::editDay(const QDate &day, const QString &text, const QString &newText)
{
    return update(kOfDay, ofDay(day, text), newText);
}

AnswerCorrection::Result AnswerCorrection::removeDay(const QDate &day, const QString &text)
{
    return erase(kOfDay, ofDay(day, text));
}

AnswerCorrection::Result AnswerCorrection::renameEverywhere(const QString &text, const QString &newText)
{
    return update(QStringLiteral("ActText = ?"), {text}, newText);
}

AnswerCorrection::Result AnswerCorrection::update(const QString &where, const QVariantList &values,
                                                 const QString &newText)
{
    QList<Row> rows;
    Result refused;
    if (!read(where, values, &rows, &refused))
        return refused;
    if (rows.isEmpty())
        return {Outcome::Unmatched, {}};
    Change change;
    for (const Row &row : rows) {
        if (row.text == QVariant(newText))
            continue;
        change.forward.append({kUpdate, {newText, row.rowId, row.text, row.date}, true});
        change.backward.append({kUpdate, {row.text, row.rowId, newText, row.date}, true});
        change.days << row.day;
    }
    if (change.forward.isEmpty())
        return {Outcome::Nothing, {}};
    return apply(change);
}

AnswerCorrection::Result AnswerCorrection::erase(const QString &where, const QVariantList &values)
{
    QList<Row> rows;
    Result refused;
    if (!read(where, values, &rows, &refused))
        return refused;
    if (rows.isEmpty())
        return {Outcome::Unmatched, {}};
    Change change;
    for (const Row &row : rows) {
        change.forward.append({kDelete, {row.rowId, row.text, row.date}, true});
        change.backward.append({kRestore, {row.rowId, row.rowId, row.text, row.date}, true});
        change.days << row.day;
    }
    return apply(change);
}

AnswerCorrection::Result AnswerCorrection::add(const QDateTime &when, const QString &text)
{
    if (!when.isValid() || text.isEmpty())
        return {Outcome::Nothing, {}};
    const QString date = logTime(when);
    Change change;
    change.forward.append({QStringLiteral("INSERT INTO ActivityLog (ActText, ActDate) VALUES (?, ?)"), {text, date}, true});
    // Any one row of that text and time is the one added: they are alike.
    change.backward.append({QStringLiteral("DELETE FROM ActivityLog WHERE ROWID = (SELECT MAX(ROWID) FROM ActivityLog "
                                           "WHERE ActText IS ? AND ActDate IS ?)"),
                            {text, date},
                            true});
    change.days << when.date().toString(Qt::ISODate);
    return apply(change);
}

AnswerCorrection::Result AnswerCorrection::apply(const Change &change)
{
    const Result result = run(change.forward, change.days);
    if (result.outcome == Outcome::Done) {
        last = change;
        undoable = true;
    }
    return result;
}

AnswerCorrection::Result AnswerCorrection::undo()
{
    if (!undoable)
        return {Outcome::Nothing, {}};
    const Result result = run(last.backward, last.days);
    // A refusal leaves it to try again; otherwise it is spent.
    if (result.outcome != Outcome::Refused)
        undoable = false;
    return result;
}

AnswerCorrection::Result AnswerCorrection::run(QList<LogWriter::Statement> statements, const QStringList &days)
{
    // Summaries kept ahead for these days (and the next, whose first answer
    // may reach back into them) are made again from the rows. Logs that keep
    // none have no table for it.
    QSqlQuery stale(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'RollupStale'"), db);
    // Not knowing would risk summaries that disagree with the rows.
    if (!stale.isActive())
        return {Outcome::Refused, stale.lastError().text()};
    if (stale.next()) {
        QSet<QString> marked;
        for (const QString &text : days) {
            const QDate day = QDate::fromString(text, Qt::ISODate);
            if (!day.isValid())
                continue;
            for (const QDate &each : {day, day.addDays(1)}) {
                const QString name = each.toString(Qt::ISODate);
                if (!marked.contains(name)) {
                    marked.insert(name);
                    statements.append({QStringLiteral("INSERT OR IGNORE INTO RollupStale (Day) VALUES (?)"), {name}});
                }
            }
        }
    }
    const LogWriter::Transacted done = writer->transactChecked(statements);
    if (!done.answered)
        return {Outcome::Cut, {}};
    if (done.done)
        return {Outcome::Done, {}};
    if (done.unmatched)
        return {Outcome::Unmatched, {}};
    return {Outcome::Refused, done.error};
}

QStringList AnswerCorrection::recentTexts() const
{
    QStringList texts;
    QSqlQuery query(QStringLiteral("SELECT ActText FROM ActivityLog GROUP BY ActText ORDER BY MAX(ActDate) DESC LIMIT 10"),
                    db);
    while (query.next())
        texts << query.value(0).toString();
    return texts;
}

#include "answerqueue.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

bool AnswerQueue::save(QSqlDatabase &db, const QString &text, const QString &pressed, bool rewrite)
{
    const Answer answer{text, pressed, rewrite};
    if (flush(db) && write(db, answer))
        return true;
    // A take-back while answers wait changes the newest of them: that is the
    // answer it takes back.
    if (rewrite && !waiting.isEmpty())
        waiting.last().text = text;
    else
        waiting.append(answer);
    return false;
}

bool AnswerQueue::flush(QSqlDatabase &db)
{
    while (!waiting.isEmpty()) {
        if (!write(db, waiting.first()))
            return false;
        waiting.removeFirst();
    }
    return true;
}

QStringList AnswerQueue::waitingLines() const
{
    QStringList lines;
    for (const Answer &answer : waiting)
        lines << answer.date + QLatin1Char('\t') + answer.text;
    return lines;
}

void AnswerQueue::pinLast(QSqlDatabase &db)
{
    if (lastRowId != 0)
        return;
    QSqlQuery newest(QStringLiteral("SELECT ROWID, ActText, ActDate FROM ActivityLog "
                                    "WHERE ROWID = (SELECT MAX(ROWID) FROM ActivityLog)"),
                     db);
    if (!newest.isActive())
        return;
    if (newest.next()) {
        lastRowId = newest.value(0).toLongLong();
        lastText = newest.value(1);
        lastDate = newest.value(2);
    } else {
        lastRowId = -1;
    }
}

bool AnswerQueue::write(QSqlDatabase &db, const Answer &answer)
{
    QSqlQuery query(db);
    if (answer.rewrite && lastRowId >= 0) {
        if (lastRowId > 0) {
            query.prepare(QStringLiteral(
                "UPDATE ActivityLog SET ActText = ? WHERE ROWID = ? AND ActText IS ? AND ActDate IS ?"));
            query.addBindValue(answer.text);
            query.addBindValue(lastRowId);
            query.addBindValue(lastText);
            query.addBindValue(lastDate);
        } else {
            query.prepare(QStringLiteral(
                "UPDATE ActivityLog SET ActText = ? WHERE ROWID = (SELECT MAX(ROWID) FROM ActivityLog)"));
            query.addBindValue(answer.text);
        }
        if (!query.exec()) {
            error = query.lastError().text();
            return false;
        }
        if (query.numRowsAffected() > 0) {
            if (lastRowId == 0) {
                QSqlQuery newest(QStringLiteral("SELECT ROWID, ActDate FROM ActivityLog "
                                                "WHERE ROWID = (SELECT MAX(ROWID) FROM ActivityLog)"),
                                 db);
                if (newest.next()) {
                    lastRowId = newest.value(0).toLongLong();
                    lastDate = newest.value(1);
                }
            }
            lastText = answer.text;
            return true;
        }
        // Nothing to take back: the text is a new answer.
    }
    query.prepare(QStringLiteral("INSERT INTO ActivityLog (ActText, ActDate) VALUES(?, ?)"));
    query.addBindValue(answer.text);
    query.addBindValue(answer.date);
    if (!query.exec()) {
        error = query.lastError().text();
        return false;
    }
    lastRowId = query.lastInsertId().toLongLong();
    lastText = answer.text;
    lastDate = answer.date;
    return true;
}

int AnswerQueue::drop(const std::function<bool(const QString &, const QString &)> &forgotten)
{
    const qsizetype before = waiting.size();
    waiting.removeIf([&](const Answer &answer) { return forgotten(answer.date, answer.text); });
    return int(before - waiting.size());
}

int AnswerQueue::count(const std::function<bool(const QString &, const QString &)> &forgotten) const
{
    return int(std::count_if(waiting.cbegin(), waiting.cend(),
                             [&](const Answer &answer) { return forgotten(answer.date, answer.text); }));
}

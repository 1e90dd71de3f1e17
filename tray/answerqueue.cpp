#include "answerqueue.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

bool AnswerQueue::save(QSqlDatabase &db, const QString &text, bool rewrite)
{
    // The same form as SQLite's datetime('now', 'localtime'), taken now in
    // case the log makes the answer wait.
    const Answer answer{text, QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), rewrite};
    if (flush(db) && write(db, answer, true))
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
        if (!write(db, waiting.first(), false))
            return false;
        waiting.removeFirst();
    }
    return true;
}

QStringList AnswerQueue::waitingTexts() const
{
    QStringList texts;
    for (const Answer &answer : waiting)
        texts << answer.text;
    return texts;
}

bool AnswerQueue::write(QSqlDatabase &db, const Answer &answer, bool dateNow)
{
    QSqlQuery query(db);
    if (answer.rewrite) {
        query.prepare(QStringLiteral("UPDATE ActivityLog SET ActText = ? WHERE ActDate = (SELECT ActDate FROM "
                                     "ActivityLog ORDER BY ActDate DESC LIMIT 0,1)"));
        query.addBindValue(answer.text);
        if (!query.exec()) {
            error = query.lastError().text();
            return false;
        }
        if (query.numRowsAffected() > 0)
            return true;
        // Nothing to take back: the text is a new answer.
    }
    if (dateNow) {
        query.prepare(
            QStringLiteral("INSERT INTO ActivityLog (ActText, ActDate) VALUES(?, datetime('now', 'localtime'))"));
        query.addBindValue(answer.text);
    } else {
        query.prepare(QStringLiteral("INSERT INTO ActivityLog (ActText, ActDate) VALUES(?, ?)"));
        query.addBindValue(answer.text);
        query.addBindValue(answer.date);
    }
    if (!query.exec()) {
        error = query.lastError().text();
        return false;
    }
    return true;
}

#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

// Answers the user confirmed, on their way into ActivityLog. An answer the
// log refuses (locked, read-only, full) waits here with the time Save was
// pressed and is written, in order and with that time, once the log accepts
// writes again.
class AnswerQueue
{
public:
    // Stores an answer dated pressed, or in rewrite mode replaces the text of
    // the answer confirmed last (a rewrite that finds no answer stores a new
    // one). False when the log refused it: it then waits.
    bool save(QSqlDatabase &db, const QString &text, const QString &pressed, bool rewrite);

    // Writes the waiting answers, oldest first, stopping at the first the log
    // refuses. True when none are left waiting.
    bool flush(QSqlDatabase &db);

    bool isEmpty() const { return waiting.isEmpty(); }
    // Drops the waiting answers (dated, with their texts) that `forgotten`
    // says go; returns how many.
    int drop(const std::function<bool(const QString &date, const QString &text)> &forgotten);
    // How many waiting answers `forgotten` says would go.
    int count(const std::function<bool(const QString &date, const QString &text)> &forgotten) const;
    // "date<TAB>text" of each waiting answer, oldest first.
    QStringList waitingLines() const;

    // Takes the newest answer for the one confirmed last, unless this kesto
    // wrote one already: answers are about to change by other means (the
    // activity log's corrections), which must not make another row the one
    // a take-back replaces.
    void pinLast(QSqlDatabase &db);

    // The error of the last statement that failed.
    QString lastError() const { return error; }

private:
    struct Answer
    {
        QString text;
        QString date; // YYYY-MM-DD HH:MM:SS, local time of pressing Save
        bool rewrite;
    };

    bool write(QSqlDatabase &db, const Answer &answer);

    QList<Answer> waiting;
    QString error;
    // The row of the answer confirmed last; 0 until this kesto wrote one, when
    // a take-back means the newest row; -1 when there was none to take back.
    // Not the greatest date: after the clocks go back an older answer can
    // hold it. A take-back replaces it only while it still holds the text and
    // date it had: one the user edited or deleted since is not replaced.
    qint64 lastRowId = 0;
    QVariant lastText;
    QVariant lastDate;
};

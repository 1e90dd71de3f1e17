#pragma once

#include "logwriter.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

// Corrections the user makes to the answers in the activity log: a text
// edited, answers deleted, a text renamed wherever it was used, an answer
// added at a past time. Rows are read on the interface's connection and
// changed through the writer, each named by its ROWID together with the text
// and date it was read with: a row that someone changed meanwhile (the
// prompt, another program) is left as it is, and then nothing changes. The
// last change can be undone once.
class AnswerCorrection
{
public:
    explicit AnswerCorrection(LogWriter *writer);

    // The connection rows are read on; changes never go through it.
    void setDatabase(const QSqlDatabase &db) { this->db = db; }

    enum class Outcome {
        Done,
        Nothing,   // nothing to change (the same text)
        Unmatched, // the rows were changed or deleted meanwhile: nothing changed
        Refused,   // the log took no writes: nothing changed
        Cut,       // kesto is ending; the change may or may not have been made
    };
    struct Result
    {
        Outcome outcome = Outcome::Nothing;
        QString error;
    };

    // One answer of the detailed view, shown with `shownText`.
    Result edit(qint64 rowId, const QString &shownText, const QString &newText);
    Result remove(qint64 rowId, const QString &shownText);
    // The answers with `text` on `day` (a row of the grouped view).
    Result editDay(const QDate &day, const QString &text, const QString &newText);
    Result removeDay(const QDate &day, const QString &text);
    // Every answer with `text`.
    Result renameEverywhere(const QString &text, const QString &newText);
    // A new answer dated `when` (local time).
    Result add(const QDateTime &when, const QString &text);

    bool canUndo() const { return undoable; }
    // Undoes the last change; it is spent then, unless the log refused it.
    Result undo();
    void forgetUndo() { undoable = false; }

    // The prompt's list: the ten latest distinct texts.
    QStringList recentTexts() const;

private:
    // A row as it was read: what a statement on it checks.
    struct Row
    {
        qint64 rowId = 0;
        QVariant text;
        QVariant date;
        QString day; // DATE(ActDate); empty when SQLite reads none
    };
    struct Change
    {
        QList<LogWriter::Statement> forward;
        QList<LogWriter::Statement> backward;
        QStringList days;
    };

    // The rows `where` names; false, with why in `refused`, when the log
    // could not be read.
    bool read(const QString &where, const QVariantList &values, QList<Row> *rows, Result *refused) const;
    Result update(const QString &where, const QVariantList &values, const QString &newText);
    Result erase(const QString &where, const QVariantList &values);
    // Runs statements with the days they touch marked for a new summary.
    Result run(QList<LogWriter::Statement> statements, const QStringList &days);
    Result apply(const Change &change);

    LogWriter *writer;
    QSqlDatabase db;
    Change last;
    bool undoable = false;
};

#pragma once

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <optional>

// What the user asked kesto to forget: everything recorded in a span of
// time, or only the rows behind one row of a report.
struct Forgetting
{
    QDateTime from; // the first moment forgotten, local time
    QDateTime to;   // the first moment kept again
    bool programs = true;
    bool answers = true;
    // Only one program's rows with one title, or only answers with one text;
    // these rows go whole.
    std::optional<QString> path;
    std::optional<QString> title;
    std::optional<QString> text;

    // A span of time: program rows crossing its edges are cut to it.
    bool isSpan() const { return !path && !title && !text; }
    QString fromText() const { return from.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }
    QString toText() const { return to.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }
    // Whether an answer (its stamp and text) is among what goes.
    bool coversAnswer(const QString &date, const QString &answer) const;
};

// What a forgetting does to the log as it is now.
class ForgetPlan
{
public:
    // Reads the log; false when it cannot be read.
    bool make(QSqlDatabase &db, const Forgetting &what);
    // Carries the plan out. The caller holds the transaction.
    bool apply(QSqlDatabase &db, QString *error) const;

    int programRows() const { return int(deleted.size() + cuts.size()); }
    qint64 seconds() const { return time; }
    int answers() const { return int(answerRows.size()); }
    bool isEmpty() const { return deleted.isEmpty() && cuts.isEmpty() && answerRows.isEmpty(); }

private:
    struct Cut
    {
        qint64 row;
        QString start; // where the row begins now
        qint64 seconds;
        // The part after the span, when the row covered it whole.
        QString tailStart;
        qint64 tailSeconds = 0;
        QString path;
        QString title;
    };
    QList<qint64> deleted;
    QList<Cut> cuts;
    QList<qint64> answerRows;
    qint64 time = 0;
};

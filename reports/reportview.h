#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <atomic>
#include <functional>

class QIODevice;
class QSqlDatabase;
class QSqlQuery;

// The three reports of the activity log, their statements and their output.
namespace ReportView {

enum Kind { Detailed = 0, Grouped = 1, Programs = 2 };

// Where the date range starts when the dialog opens: one calendar month
// back, the day clamped to the shorter month (31 March -> 28/29 February).
QDate defaultStartDate(const QDate &today);

// The statement of a view kind; empty for an unknown kind. Over several
// logs (the schemas of a connection they are attached to) the rows of all
// come together, each with its log's number in the list as a last column,
// Computer; the range is bound by name then, :from and :to.
QString statement(int kind, const QStringList &schemas = {});
// The result column that holds the log's number, with several logs.
int computerColumn(int kind);
// The result column that holds an answer's ROWID (the detailed view), or -1.
int rowIdColumn(int kind, bool severalLogs);

// Runs the statement of a view kind over whole days, from the first second
// of `from` through the last second of `to`; the query is returned whatever
// the outcome (inactive on failure).
QSqlQuery run(const QSqlDatabase &db, int kind, const QDate &from, const QDate &to,
              const QStringList &schemas = {});
// Binds a prepared statement's whole-day range and executes it.
bool bindAndExec(QSqlQuery &query, const QDate &from, const QDate &to);

// Summed seconds as "hh:mm:ss", counting hours past 24 ("25:00:00");
// "--:--:--" when the sum is null or not a number.
QString formatDuration(const QVariant &seconds);
QString formatDuration(qint64 seconds);

// A CSV field in double quotes with every double quote doubled.
QByteArray quotedField(const QString &text);
void appendQuoted(QByteArray &line, const QString &text);

// A program row's category (program path, title), or an empty text.
using CategoryOf = std::function<QString(const QString &path, const QString &title)>;

// Writes the rows of an executed query of the given kind as CSV (UTF-8, LF
// line ends, no header). False when the device reports a write error or
// `stop` was set; `rows` counts the rows written. Program rows end with
// their category, from `category`; with computers (a query over several
// logs) each line then ends with its computer's name.
bool writeCsv(QSqlQuery &query, int kind, QIODevice &out, const std::atomic<bool> *stop = nullptr,
              std::atomic<qint64> *rows = nullptr, const QStringList &computers = {},
              const CategoryOf &category = {});

} // namespace ReportView

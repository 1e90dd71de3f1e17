#include "loginsight.h"

#include "logdatabase.h"
#include "rulestore.h"
#include "ruleset.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <map>

namespace {

const QString kStamp = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QDateTime stamp(const QString &text)
{
    return QDateTime::fromString(text.left(19), kStamp);
}

QString first(const QDate &day)
{
    return day.toString(Qt::ISODate) + QStringLiteral(" 00:00:00");
}

QString last(const QDate &day)
{
    return day.toString(Qt::ISODate) + QStringLiteral(" 23:59:59");
}

QList<SummaryEntry> sorted(const QHash<QString, qint64> &totals)
{
    QList<SummaryEntry> entries;
    for (auto it = totals.cbegin(); it != totals.cend(); ++it)
        entries.append({it.key(), it.value()});
    std::sort(entries.begin(), entries.end(), [](const SummaryEntry &a, const SummaryEntry &b) {
        return a.seconds != b.seconds ? a.seconds > b.seconds : a.name < b.name;
    });
    return entries;
}

struct Row
{
    QDateTime start;
    qint64 seconds;
    QString program;
    QString title;
    QString category;
};

struct Span
{
    QDateTime start;
    QDateTime end;
};

// Categories of many rows: a window's category is found once.
class Categories
{
public:
    explicit Categories(const QSqlDatabase &db)
        : rules(RuleStore::load(db).usable())
    {
    }
    QString of(const QString &program, const QString &title)
    {
        if (!rules.hasCategories())
            return QString();
        const QString key = program + QChar(0) + title;
        auto known = cache.constFind(key);
        if (known != cache.constEnd())
            return *known;
        const int index = rules.category(program, title);
        const QString name = index < 0 ? QString() : rules.categories().value(index);
        cache.insert(key, name);
        return name;
    }
    bool any() const { return rules.hasCategories(); }

private:
    RuleSet rules;
    QHash<QString, QString> cache;
};

QList<Row> programRows(QSqlDatabase &db, const QDate &from, const QDate &to, Categories &categories, QString *error)
{
    QList<Row> rows;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT AppFileName, AppTitle, AppDate, Duration FROM ApplicationLog "
                                 "WHERE AppDate>=? AND AppDate<=? ORDER BY AppDate"));
    query.addBindValue(first(from));
    query.addBindValue(last(to));
    if (!query.exec()) {
        *error = query.lastError().text();
        return rows;
    }
    while (query.next()) {
        const QString program = query.value(0).toString();
        const QString title = query.value(1).toString();
        rows.append({stamp(query.value(2).toString()), query.value(3).toLongLong(), program, title,
                     categories.of(program, title)});
    }
    return rows;
}

QList<Span> absences(QSqlDatabase &db, const QDate &from, const QDate &to)
{
    QList<Span> spans;
    QSqlQuery query(db);
    // A log without the table has no time away.
    query.prepare(QStringLiteral("SELECT AwayStart, AwayEnd FROM Absences WHERE AwayEnd>=? AND AwayStart<=? "
                                 "ORDER BY AwayStart"));
    query.addBindValue(first(from));
    query.addBindValue(last(to));
    if (!query.exec())
        return spans;
    const QDateTime begin(from, QTime(0, 0));
    const QDateTime end(to.addDays(1), QTime(0, 0));
    while (query.next()) {
        const QDateTime a = stamp(query.value(0).toString());
        const QDateTime b = stamp(query.value(1).toString());
        if (a.isValid() && b.isValid() && a < b)
            spans.append({std::max(a, begin), std::min(b, end)});
    }
    return spans;
}

struct Answer
{
    QDateTime at;
    QString text;
    QDateTime since;
};

// Each answer stands for the time since the previous prompt, the end of an
// absence or the day's first record, whichever is latest, and at most one
// prompt interval.
QList<Answer> answers(QSqlDatabase &db, const QDate &from, const QDate &to, const QList<Row> &rows,
                      const QList<Span> &away)
{
    QList<Answer> list;
    const int minutes = LogDatabase::readQueryMinutes(db);
    QHash<QDate, QDateTime> firstRecord;
    for (const Row &row : rows) {
        if (row.start.isValid() && !firstRecord.contains(row.start.date()))
            firstRecord.insert(row.start.date(), row.start);
    }
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT ActText, ActDate FROM ActivityLog WHERE ActDate>=? AND ActDate<=? "
                                 "ORDER BY ActDate"));
    query.addBindValue(first(from));
    query.addBindValue(last(to));
    if (!query.exec())
        return list;
    QDateTime previous;
    while (query.next()) {
        const QDateTime at = stamp(query.value(1).toString());
        if (!at.isValid())
            continue;
        QDateTime since = at.addSecs(-60 * minutes);
        if (previous.isValid() && previous > since)
            since = previous;
        for (const Span &span : away) {
            if (span.end <= at && span.end > since)
                since = span.end;
        }
        const QDateTime began = firstRecord.value(at.date());
        if (began.isValid() && began > since && began <= at)
            since = began;
        list.append({at, query.value(0).toString(), since});
        previous = at;
    }
    return list;
}

qint64 overlap(const QDateTime &a, const QDateTime &b, const QDateTime &c, const QDateTime &d)
{
    const QDateTime from = std::max(a, c);
    const QDateTime to = std::min(b, d);
    return from < to ? from.secsTo(to) : 0;
}

} // namespace

LogInsight::LogInsight(const QSqlDatabase &db)
    : db(db)
{
}

void LogInsight::read(const QDate &from, const QDate &to, std::function<void(const Summary &)> ready)
{
    Summary summary;
    summary.from = from;
    summary.to = to;
    summary.complete = true;
    Categories categories(db);
    const QList<Row> rows = programRows(db, from, to, categories, &summary.error);
    const QList<Span> away = absences(db, from, to);

    QHash<QString, qint64> byCategory;
    QHash<QString, qint64> byProgram;
    for (const Row &row : rows) {
        summary.recorded += row.seconds;
        byProgram[row.program] += row.seconds;
        if (categories.any())
            byCategory[row.category] += row.seconds;
    }
    summary.categories = sorted(byCategory);
    summary.programs = sorted(byProgram);
    const bool byCategories = categories.any();
    if (byCategories) {
        for (const SummaryEntry &entry : std::as_const(summary.categories))
            summary.stackKeys << entry.name;
    } else {
        for (const SummaryEntry &entry : summary.programs.mid(0, StackedPrograms))
            summary.stackKeys << entry.name;
        if (summary.programs.size() > StackedPrograms)
            summary.stackKeys << QString();
    }

    // Columns: days, or weeks from Monday over 60 days.
    summary.weekly = from.isValid() && to.isValid() && from.daysTo(to) >= 60;
    auto columnOf = [&](const QDate &day) {
        return summary.weekly ? (from.addDays(1 - from.dayOfWeek())).daysTo(day) / 7 : from.daysTo(day);
    };
    if (from.isValid() && to.isValid() && from <= to) {
        for (QDate day = summary.weekly ? from.addDays(1 - from.dayOfWeek()) : from; day <= to;
             day = day.addDays(summary.weekly ? 7 : 1)) {
            SummaryColumn column;
            column.first = std::max(day, from);
            column.last = std::min(summary.weekly ? day.addDays(6) : day, to);
            column.seconds = QList<qint64>(summary.stackKeys.size(), 0);
            summary.columns << column;
        }
    }
    for (const Row &row : rows) {
        const qint64 c = columnOf(row.start.date());
        if (c < 0 || c >= summary.columns.size())
            continue;
        int key = int(summary.stackKeys.indexOf(byCategories ? row.category : row.program));
        if (key < 0)
            key = int(summary.stackKeys.indexOf(QString()));
        if (key >= 0)
            summary.columns[c].seconds[key] += row.seconds;
    }
    for (const Span &span : away) {
        summary.away += span.start.secsTo(span.end);
        const qint64 c = columnOf(span.start.date());
        if (c >= 0 && c < summary.columns.size())
            summary.columns[c].away += span.start.secsTo(span.end);
    }

    // Answers and the programs in their time.
    QHash<QString, qint64> byAnswer;
    std::map<QString, QHash<QString, qint64>> joined;
    for (const Answer &answer : answers(db, from, to, rows, away)) {
        byAnswer[answer.text] += answer.since.secsTo(answer.at);
        QHash<QString, qint64> &programs = joined[answer.text];
        for (const Row &row : rows) {
            if (row.start >= answer.at)
                break;
            const qint64 seconds = overlap(row.start, row.start.addSecs(row.seconds), answer.since, answer.at);
            if (seconds > 0)
                programs[row.program] += seconds;
        }
    }
    summary.answers = sorted(byAnswer);
    for (const SummaryEntry &entry : std::as_const(summary.answers))
        summary.joined.append({entry.name, entry.seconds, sorted(joined[entry.name])});
    ready(summary);
}

TimelineDay LogInsight::timeline(const QDate &day)
{
    TimelineDay result;
    result.day = day;
    Categories categories(db);
    const QDateTime dayEnd(day.addDays(1), QTime(0, 0));
    for (const Row &row : programRows(db, day, day, categories, &result.error)) {
        qint64 seconds = row.seconds;
        if (row.start.addSecs(seconds) > dayEnd)
            seconds = row.start.secsTo(dayEnd);
        result.stretches.append({row.start, seconds, row.program, row.title, row.category});
    }
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT ActText, ActDate FROM ActivityLog WHERE ActDate>=? AND ActDate<=? "
                                 "ORDER BY ActDate"));
    query.addBindValue(first(day));
    query.addBindValue(last(day));
    if (query.exec()) {
        while (query.next())
            result.answers.append({stamp(query.value(1).toString()), query.value(0).toString()});
    }
    for (const Span &span : absences(db, day, day))
        result.away.append({span.start, span.end});
    return result;
}

QString LogInsight::writeTimesheet(const QDate &from, const QDate &to, Sheet sheet, const QString &fileName)
{
    const QString log = db.databaseName();
    if (!log.isEmpty() && QFileInfo(fileName).absoluteFilePath().startsWith(QFileInfo(log).absoluteFilePath()))
        return QCoreApplication::translate("LogInsight", "%1 is kesto's own log; please choose another file.").arg(QDir::toNativeSeparators(fileName));
    // Hours per day and answer or category.
    std::map<QString, std::map<QString, qint64>> cells;
    Categories categories(db);
    QString error;
    const QList<Row> rows = programRows(db, from, to, categories, &error);
    if (!error.isEmpty())
        return error;
    if (sheet == Sheet::Category) {
        for (const Row &row : rows)
            cells[row.start.date().toString(Qt::ISODate)][row.category] += row.seconds;
    } else {
        for (const Answer &answer : answers(db, from, to, rows, absences(db, from, to)))
            cells[answer.at.date().toString(Qt::ISODate)][answer.text] += answer.since.secsTo(answer.at);
    }
    auto field = [](QString text) {
        if (text.contains(QLatin1Char('"')) || text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('\n'))
            || text.contains(QLatin1Char('\r')))
            text = QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
        return text;
    };
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    QByteArray out = sheet == Sheet::Category ? "Day,Category,Hours\r\n" : "Day,Answer,Hours\r\n";
    for (const auto &day : cells) {
        for (const auto &cell : day.second)
            out += (day.first + QLatin1Char(',') + field(cell.first) + QLatin1Char(',')
                    + QString::number(cell.second / 3600.0, 'f', 2) + QStringLiteral("\r\n"))
                       .toUtf8();
    }
    if (file.write(out) != out.size() || !file.commit())
        return file.errorString();
    return QString();
}

#include "summaryreader.h"

#include "answerjoin.h"
#include "rollup.h"

#include <QCoreApplication>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace {

QString dayEnd(const QDate &day)
{
    return day.toString(Qt::ISODate) + QStringLiteral("T23:59:59");
}

// Most first, ties by name.
QList<SummaryEntry> sorted(const QHash<QString, qint64> &totals)
{
    QList<SummaryEntry> entries;
    entries.reserve(totals.size());
    for (auto it = totals.cbegin(); it != totals.cend(); ++it)
        entries.append({it.key(), *it});
    std::sort(entries.begin(), entries.end(), [](const SummaryEntry &a, const SummaryEntry &b) {
        return a.seconds != b.seconds ? a.seconds > b.seconds : a.name < b.name;
    });
    return entries;
}

struct Column
{
    QDate first;
    QDate last;
};

QList<Column> columnsOf(const QDate &from, const QDate &to, bool weekly)
{
    QList<Column> columns;
    for (QDate day = from; day.isValid() && day <= to;) {
        QDate last = weekly ? day.addDays(7 - day.dayOfWeek()) : day;
        last = std::min(last, to);
        columns.append({day, last});
        day = last.addDays(1);
    }
    return columns;
}

int columnOf(const QList<Column> &columns, const QDate &day)
{
    if (columns.isEmpty())
        return -1;
    if (!day.isValid() || day < columns.first().first)
        return 0;
    const auto it = std::lower_bound(columns.cbegin(), columns.cend(), day,
                                     [](const Column &c, const QDate &d) { return c.last < d; });
    return it == columns.cend() ? int(columns.size()) - 1 : int(it - columns.cbegin());
}

// Time away within the range, by column.
bool readAway(const QSqlDatabase &db, const QDate &from, const QDate &to, Summary &summary, const QList<Column> &columns)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT AwayStart, AwayEnd FROM main.Absences WHERE AwayStart <= ? AND AwayEnd >= ?"));
    query.addBindValue(dayEnd(to));
    query.addBindValue(from.toString(Qt::ISODate));
    // A log without the table: nobody was ever away.
    if (!query.exec())
        return true;
    const QDateTime rangeStart(from, QTime(0, 0), Qt::UTC);
    const QDateTime rangeEnd(to.addDays(1), QTime(0, 0), Qt::UTC);
    while (query.next()) {
        QDateTime start = AnswerJoin::plainTime(query.value(0).toString());
        QDateTime end = AnswerJoin::plainTime(query.value(1).toString());
        if (!start.isValid() || !end.isValid())
            continue;
        start = std::max(start, rangeStart);
        end = std::min(end, rangeEnd);
        while (start < end) {
            const QDateTime dayEnds(start.date().addDays(1), QTime(0, 0), Qt::UTC);
            const QDateTime piece = std::min(end, dayEnds);
            const qint64 seconds = start.secsTo(piece);
            summary.away += seconds;
            const int column = columnOf(columns, start.date());
            if (column >= 0)
                summary.columns[column].away += seconds;
            start = piece;
        }
    }
    return true;
}

void fillTotals(Summary &summary, const QList<Rollup::ProgramTime> &programs, bool haveCategories)
{
    QHash<QString, qint64> byCategory;
    QHash<QString, qint64> byProgram;
    for (const Rollup::ProgramTime &time : programs) {
        byCategory[time.category] += time.seconds;
        byProgram[time.program] += time.seconds;
        summary.recorded += time.seconds;
    }
    summary.categories = sorted(byCategory);
    summary.programs = sorted(byProgram);
    QHash<QString, int> stack;
    if (haveCategories) {
        for (const SummaryEntry &entry : std::as_const(summary.categories))
            summary.stackKeys << entry.name;
    } else {
        bool rest = false;
        for (int i = 0; i < summary.programs.size(); ++i) {
            if (i < SummaryReader::StackedPrograms)
                summary.stackKeys << summary.programs[i].name;
            else
                rest = true;
        }
        // The programs past the top ones, together; an empty path among
        // the top ones would be the same key, so it joins them.
        if (rest && !summary.stackKeys.contains(QString()))
            summary.stackKeys << QString();
    }
    for (int i = 0; i < summary.stackKeys.size(); ++i)
        stack.insert(summary.stackKeys[i], i);
    QList<Column> columns;
    for (const SummaryColumn &column : std::as_const(summary.columns))
        columns.append({column.first, column.last});
    for (SummaryColumn &column : summary.columns)
        column.seconds = QList<qint64>(summary.stackKeys.size(), 0);
    for (const Rollup::ProgramTime &time : programs) {
        const int column = columnOf(columns, time.dayNumber ? QDate::fromJulianDay(time.dayNumber) : QDate());
        if (column < 0)
            continue;
        const int key = stack.value(haveCategories ? time.category : time.program, stack.value(QString(), -1));
        if (key >= 0)
            summary.columns[column].seconds[key] += time.seconds;
    }
}

void fillJoins(Summary &summary, const QList<Rollup::JoinTime> &joins)
{
    QHash<QString, qint64> own;
    QHash<QString, QHash<QString, qint64>> programs;
    for (const Rollup::JoinTime &join : joins) {
        if (join.program.isNull())
            own[join.answer] += join.seconds;
        else
            programs[join.answer][join.program] += join.seconds;
    }
    summary.answers = sorted(own);
    for (const SummaryEntry &answer : std::as_const(summary.answers))
        summary.joined.append({answer.name, answer.seconds, sorted(programs.value(answer.name))});
}

} // namespace

SummaryReader::SummaryReader(const QSqlDatabase &db, const QDate &from, const QDate &to, QObject *parent)
    : QThread(parent)
    , databaseName(db.databaseName())
    , connectOptions(db.connectOptions())
    , from(from)
    , to(to)
{
}

SummaryReader::~SummaryReader()
{
    stopping.cancelAndWait(*this);
}

void SummaryReader::run()
{
    const Summary summary =
        read(databaseName, connectOptions, from, to, &stopping, [this](const Summary &totals) { emit totalsRead(totals); });
    if (!stopping.isCancelled())
        emit summaryRead(summary);
}

Summary SummaryReader::read(const QString &databaseName, const QString &connectOptions, const QDate &from,
                            const QDate &to, ReportCancel *cancel, const std::function<void(const Summary &)> &totals)
{
    Summary summary;
    summary.from = from;
    summary.to = to;
    ReportRunner runner(databaseName, connectOptions, {}, cancel);
    if (!runner.isOpen()) {
        summary.error = runner.lastError();
        return summary;
    }
    const QSqlDatabase db = runner.database();
    const std::atomic<bool> *stop = cancel ? &cancel->flag() : nullptr;
    summary.weekly = from.daysTo(to) + 1 > MaxDailyColumns;
    for (const Column &column : columnsOf(from, to, summary.weekly))
        summary.columns.append({column.first, column.last, {}, 0});
    RuleSet::Categorizer categorizer(Rollup::storedRules(db));
    QList<Rollup::ProgramTime> programs;
    QString error;
    if (!Rollup::readPrograms(db, from, to, categorizer, &programs, stop, Rollup::Source::Kept, &error)) {
        if (!(cancel && cancel->isCancelled()))
            summary.error = error.isEmpty() ? QCoreApplication::translate("SummaryReader", "The log could not be read.") : error;
        return summary;
    }
    fillTotals(summary, programs, !categorizer.isEmpty());
    QList<Column> columns;
    for (const SummaryColumn &column : std::as_const(summary.columns))
        columns.append({column.first, column.last});
    readAway(db, from, to, summary, columns);
    if (totals && !(cancel && cancel->isCancelled()))
        totals(summary);
    QList<Rollup::JoinTime> joins;
    if (!Rollup::readJoins(db, from, to, &joins, stop, Rollup::Source::Kept, Rollup::Days::Together, &error)) {
        if (!(cancel && cancel->isCancelled()))
            summary.error = error.isEmpty() ? QCoreApplication::translate("SummaryReader", "The log could not be read.") : error;
        return summary;
    }
    fillJoins(summary, joins);
    summary.complete = true;
    return summary;
}

TimelineDay TimelineReader::read(const QSqlDatabase &db, const QDate &day)
{
    TimelineDay timeline;
    timeline.day = day;
    const QDateTime midnight(day, QTime(0, 0), Qt::UTC);
    const QDateTime nextMidnight = midnight.addDays(1);
    // Plain times become the local times they stand for.
    const auto local = [](const QDateTime &plain) { return QDateTime(plain.date(), plain.time()); };
    RuleSet::Categorizer categorizer(Rollup::storedRules(db));
    QSqlQuery rows(db);
    rows.setForwardOnly(true);
    rows.prepare(QStringLiteral("SELECT AppDate, Duration, AppFileName, AppTitle FROM ApplicationLog "
                                "WHERE AppDate >= ? AND AppDate <= ? ORDER BY AppDate, ROWID"));
    rows.addBindValue(day.addDays(-1).toString(Qt::ISODate));
    rows.addBindValue(dayEnd(day));
    if (!rows.exec()) {
        timeline.error = rows.lastError().text();
        return timeline;
    }
    while (rows.next()) {
        QDateTime start = AnswerJoin::plainTime(rows.value(0).toString());
        const qint64 seconds = rows.value(1).toLongLong();
        if (!start.isValid() || seconds <= 0)
            continue;
        QDateTime end = start.addSecs(seconds);
        if (end <= midnight || start >= nextMidnight)
            continue;
        start = std::max(start, midnight);
        end = std::min(end, nextMidnight);
        const QString path = rows.value(2).toString();
        const QString title = rows.value(3).toString();
        const int category = categorizer.isEmpty() ? -1 : categorizer.category(path, title);
        timeline.stretches.append({local(start), start.secsTo(end), path, title,
                                   category < 0 ? QString() : categorizer.categories()[category]});
    }
    std::stable_sort(timeline.stretches.begin(), timeline.stretches.end(),
                     [](const TimelineDay::Stretch &a, const TimelineDay::Stretch &b) { return a.start < b.start; });
    QSqlQuery answers(db);
    answers.setForwardOnly(true);
    answers.prepare(QStringLiteral("SELECT ActDate, ActText FROM ActivityLog WHERE ActDate >= ? AND ActDate <= ? "
                                   "ORDER BY ActDate, ROWID"));
    answers.addBindValue(day.toString(Qt::ISODate));
    answers.addBindValue(dayEnd(day));
    if (answers.exec()) {
        while (answers.next()) {
            const QDateTime at = AnswerJoin::plainTime(answers.value(0).toString());
            if (at.isValid())
                timeline.answers.append({local(at), answers.value(1).toString()});
        }
    }
    QSqlQuery away(db);
    away.setForwardOnly(true);
    away.prepare(QStringLiteral("SELECT AwayStart, AwayEnd FROM Absences WHERE AwayStart <= ? AND AwayEnd >= ? "
                                "ORDER BY AwayStart"));
    away.addBindValue(dayEnd(day));
    away.addBindValue(day.toString(Qt::ISODate));
    if (away.exec()) {
        while (away.next()) {
            const QDateTime start = AnswerJoin::plainTime(away.value(0).toString());
            const QDateTime end = AnswerJoin::plainTime(away.value(1).toString());
            if (start.isValid() && end.isValid() && start < nextMidnight && end > midnight)
                timeline.away.append({local(std::max(start, midnight)), local(std::min(end, nextMidnight))});
        }
    }
    return timeline;
}

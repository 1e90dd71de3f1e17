#include "timesheet.h"

#include "csvexport.h"
#include "reportview.h"
#include "rollup.h"

#include <QCoreApplication>
#include <QFileDevice>

#include <algorithm>

Timesheet::Timesheet(const QSqlDatabase &db, const QDate &from, const QDate &to, By by, const QString &fileName,
                     QObject *parent)
    : QThread(parent)
    , databaseName(db.databaseName())
    , connectOptions(db.connectOptions())
    , from(from)
    , to(to)
    , by(by)
    , fileName(fileName)
{
}

Timesheet::~Timesheet()
{
    stopping.cancelAndWait(*this);
}

void Timesheet::run()
{
    failure = write(databaseName, connectOptions, from, to, by, fileName, &stopping);
    cancelled = stopping.isCancelled();
}

QByteArray Timesheet::csv(const Table &table)
{
    QHash<QString, qint64> totals;
    for (const auto &day : table)
        for (auto it = day.cbegin(); it != day.cend(); ++it)
            totals[it.key()] += *it;
    QStringList names = totals.keys();
    // Most time first, as in the summary.
    std::sort(names.begin(), names.end(), [&totals](const QString &a, const QString &b) {
        return totals[a] != totals[b] ? totals[a] > totals[b] : a < b;
    });
    const auto hours = [](qint64 seconds) { return QByteArray::number(seconds / 3600.0, 'f', 2); };
    QByteArray out;
    ReportView::appendQuoted(out, QCoreApplication::translate("Timesheet", "Day"));
    for (const QString &name : std::as_const(names)) {
        out += ',';
        ReportView::appendQuoted(out, name);
    }
    out += ',';
    ReportView::appendQuoted(out, QCoreApplication::translate("Timesheet", "Total"));
    out += '\n';
    for (auto day = table.cbegin(); day != table.cend(); ++day) {
        qint64 total = 0;
        for (const qint64 seconds : *day)
            total += seconds;
        if (total == 0)
            continue;
        out += day.key().toString(Qt::ISODate).toUtf8();
        for (const QString &name : std::as_const(names)) {
            out += ',';
            out += hours(day->value(name));
        }
        out += ',';
        out += hours(total);
        out += '\n';
    }
    return out;
}

QString Timesheet::write(const QString &databaseName, const QString &connectOptions, const QDate &from,
                         const QDate &to, By by, const QString &fileName, ReportCancel *cancel)
{
    ReportRunner runner(databaseName, connectOptions, {}, cancel);
    if (!runner.isOpen())
        return runner.lastError();
    const QSqlDatabase db = runner.database();
    const std::atomic<bool> *stop = cancel ? &cancel->flag() : nullptr;
    RuleSet::Categorizer categorizer(Rollup::storedRules(db));
    Table table;
    QString error;
    if (by == By::Answer) {
        QList<Rollup::JoinTime> joins;
        if (!Rollup::readJoins(db, from, to, &joins, stop, Rollup::Source::Kept, Rollup::Days::Each, &error))
            return cancel && cancel->isCancelled() ? QString() : error;
        for (const Rollup::JoinTime &join : std::as_const(joins))
            if (join.program.isNull())
                table[QDate::fromString(join.day, Qt::ISODate)][join.answer] += join.seconds;
    } else {
        QList<Rollup::ProgramTime> programs;
        if (!Rollup::readPrograms(db, from, to, categorizer, &programs, stop, Rollup::Source::Kept, &error))
            return cancel && cancel->isCancelled() ? QString() : error;
        const QString none = QCoreApplication::translate("Timesheet", "No category");
        for (const Rollup::ProgramTime &time : std::as_const(programs)) {
            // Time whose stamp names no day has no line to go on.
            const QDate day = QDate::fromString(time.day, Qt::ISODate);
            if (!day.isValid())
                continue;
            table[day][time.category.isEmpty() ? none : time.category] += time.seconds;
        }
    }
    const QByteArray text = csv(table);
    return CsvExport::writeFile(
        fileName,
        [&text](QFileDevice &file) { return file.write(text) == text.size() ? QString() : file.errorString(); },
        [cancel] { return cancel && cancel->isCancelled(); });
}

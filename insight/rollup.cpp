#include "rollup.h"

#include "answerjoin.h"
#include "logdatabase.h"
#include "logwriter.h"
#include "rulestore.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QMap>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace {

const QString kWatermark = QStringLiteral("rollupWatermark");
const QString kUntil = QStringLiteral("rollupUntil");
const QString kRules = QStringLiteral("rollupRules");
// What a day of a plain stamp looks like; the triggers also void the first
// ten characters of odd stamps, which name no day kept ('2026-03-1' would
// otherwise stand for ten of them).
const QString kDayShape = QStringLiteral("Day GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]'");

// Days a build step takes on; grows while steps are quick, shrinks when
// they are slow. Only the writer's thread builds.
std::atomic<int> daysPerStep{8};

QString dayText(const QDate &day)
{
    return day.toString(Qt::ISODate);
}

QString dayEnd(const QDate &day)
{
    return dayText(day) + QStringLiteral("T23:59:59");
}

struct State
{
    bool tables = false;
    qint64 watermark = 0;
    QString until;
    QString digest;
};

QVariant settingValue(const QSqlDatabase &db, const QString &name)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT Value FROM Settings WHERE Name = ?"));
    query.addBindValue(name);
    return query.exec() && query.next() ? query.value(0) : QVariant();
}

bool storeSetting(QSqlDatabase &db, const QString &name, const QVariant &value)
{
    QSqlQuery query(db);
    query.prepare(LogDatabase::storeSettingSql());
    query.addBindValue(name);
    query.addBindValue(value);
    return query.exec();
}

State readState(const QSqlDatabase &db)
{
    State state;
    QSqlQuery tables(QStringLiteral("SELECT COUNT(*) FROM main.sqlite_master WHERE type = 'table' AND name IN "
                                    "('RollupPrograms', 'RollupJoins', 'RollupOdd', 'RollupStale', "
                                    "'PromptIntervals', 'Settings')"),
                     db);
    state.tables = tables.next() && tables.value(0).toInt() == 6;
    if (!state.tables)
        return state;
    state.watermark = settingValue(db, kWatermark).toLongLong();
    // Bound as it is, a null text would be SQL's NULL, which no row passes.
    state.until = settingValue(db, kUntil).toString();
    if (state.until.isNull())
        state.until = QLatin1String("");
    state.digest = settingValue(db, kRules).toString();
    return state;
}

bool exec(QSqlQuery &query, QString *error)
{
    if (query.exec())
        return true;
    if (error)
        *error = query.lastError().text();
    return false;
}

bool run(QSqlDatabase &db, const QString &sql, const QVariantList &values, QString *error = nullptr)
{
    QSqlQuery query(db);
    query.prepare(sql);
    for (const QVariant &value : values)
        query.addBindValue(value);
    return exec(query, error);
}

struct JoinInputs
{
    QList<AnswerJoin::Interval> intervals;
    int fallback = 30;
};

JoinInputs joinInputs(const QSqlDatabase &db)
{
    JoinInputs inputs;
    QSqlDatabase handle = db;
    inputs.fallback = LogDatabase::readQueryMinutes(handle);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (query.exec(QStringLiteral("SELECT Since, Minutes FROM main.PromptIntervals ORDER BY Since, ROWID"))) {
        while (query.next()) {
            const QString since = query.value(0).toString();
            const QDateTime at = AnswerJoin::plainTime(since);
            // Only '' (from always) or a plain time mean anything.
            if (!since.isEmpty() && !at.isValid())
                continue;
            inputs.intervals.append({at, query.value(1).toInt()});
        }
    }
    return inputs;
}

QString categoryName(RuleSet::Categorizer &categorizer, const QString &path, const QString &title)
{
    if (categorizer.isEmpty())
        return QString(QLatin1String(""));
    const int found = categorizer.category(path, title);
    return found < 0 ? QString(QLatin1String("")) : categorizer.categories()[found];
}

using JoinKey = std::tuple<QString, QString, QString, QString>;

// The joins of the days first..last from the raw rows, added to `totals`.
bool joinDays(const QSqlDatabase &db, const QDate &first, const QDate &last, RuleSet::Categorizer &categorizer,
              const JoinInputs &inputs, QMap<JoinKey, qint64> &totals, QString *error)
{
    // A stretch begun the day before can reach into the first day.
    QMap<QDate, QList<AnswerJoin::Stretch>> stretches;
    QSqlQuery rows(db);
    rows.setForwardOnly(true);
    rows.prepare(QStringLiteral("SELECT AppDate, Duration, AppFileName, AppTitle FROM main.ApplicationLog "
                                "WHERE AppDate >= ? AND AppDate <= ? AND ")
                 + Rollup::wellFormed(QStringLiteral("AppDate")));
    rows.addBindValue(dayText(first.addDays(-1)));
    rows.addBindValue(dayEnd(last));
    if (!exec(rows, error))
        return false;
    while (rows.next()) {
        const QDateTime start = AnswerJoin::plainTime(rows.value(0).toString());
        const qint64 seconds = rows.value(1).toLongLong();
        if (!start.isValid() || seconds <= 0)
            continue;
        const QString path = rows.value(2).toString();
        stretches[start.date()].append({start, seconds, path, categoryName(categorizer, path, rows.value(3).toString())});
    }
    QMap<QDate, QList<AnswerJoin::Answer>> answers;
    QSqlQuery asked(db);
    asked.setForwardOnly(true);
    asked.prepare(QStringLiteral("SELECT ActDate, ActText FROM main.ActivityLog WHERE ActDate >= ? AND ActDate <= ? "
                                 "ORDER BY ActDate, ROWID"));
    asked.addBindValue(dayText(first));
    asked.addBindValue(dayEnd(last));
    if (!exec(asked, error))
        return false;
    while (asked.next()) {
        const QDateTime at = AnswerJoin::plainTime(asked.value(0).toString());
        if (at.isValid())
            answers[at.date()].append({at, asked.value(1).toString()});
    }
    if (answers.isEmpty())
        return true;
    QList<AnswerJoin::Span> absences;
    QSqlQuery away(db);
    away.setForwardOnly(true);
    away.prepare(QStringLiteral("SELECT AwayStart, AwayEnd FROM main.Absences WHERE AwayStart <= ? AND AwayEnd >= ?"));
    away.addBindValue(dayEnd(last));
    away.addBindValue(dayText(first));
    // A log without the table has no absences.
    if (away.exec()) {
        while (away.next())
            absences.append({AnswerJoin::plainTime(away.value(0).toString()),
                             AnswerJoin::plainTime(away.value(1).toString())});
    }
    for (auto day = answers.cbegin(); day != answers.cend(); ++day) {
        QList<AnswerJoin::Stretch> reaching = stretches.value(day.key());
        for (const AnswerJoin::Stretch &stretch : stretches.value(day.key().addDays(-1)))
            if (stretch.start.addSecs(stretch.seconds).date() >= day.key())
                reaching.append(stretch);
        const QString text = dayText(day.key());
        for (const AnswerJoin::Joined &joined :
             AnswerJoin::joinDay(day.key(), *day, absences, inputs.intervals, inputs.fallback, reaching)) {
            totals[JoinKey(text, joined.answer, QString(), QString())] += joined.seconds;
            for (const AnswerJoin::ProgramTime &program : joined.programs)
                totals[JoinKey(text, joined.answer, program.program, program.category)] += program.seconds;
        }
    }
    return true;
}

using ProgramKey = std::tuple<QString, QString, QString>;

} // namespace

// Outside the anonymous namespace, where QHash looks for it.
size_t qHash(const ProgramKey &key, size_t seed = 0)
{
    return qHashMulti(seed, std::get<0>(key), std::get<1>(key), std::get<2>(key));
}

namespace {

// Sums rows of (day, path, title, seconds) into `totals`.
bool sumRows(QSqlQuery &query, RuleSet::Categorizer &categorizer, QHash<ProgramKey, qint64> &totals,
             const std::atomic<bool> *stop, QString *error)
{
    if (!exec(query, error))
        return false;
    int count = 0;
    while (query.next()) {
        if (stop && (++count & 1023) == 0 && stop->load(std::memory_order_relaxed))
            return false;
        const QString path = query.value(1).toString();
        totals[ProgramKey(query.value(0).toString(), path, categoryName(categorizer, path, query.value(2).toString()))] +=
            query.value(3).toLongLong();
    }
    if (query.lastError().isValid()) {
        if (error)
            *error = query.lastError().text();
        return false;
    }
    return true;
}

// The first valid day that rows from `from` (a stamp text) on begin with,
// before `before`; invalid when none.
QDate nextDay(const QSqlDatabase &db, QString from, const QDate &before)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT AppDate FROM ApplicationLog WHERE AppDate >= ? AND AppDate < ? "
                                 "ORDER BY AppDate LIMIT 1"));
    for (int tries = 0; tries < 10000; ++tries) {
        query.bindValue(0, from);
        query.bindValue(1, dayText(before));
        if (!query.exec() || !query.next())
            return QDate();
        const QString stamp = query.value(0).toString();
        const QDate day = QDate::fromString(stamp.left(10), Qt::ISODate);
        if (day.isValid() && stamp.left(10) == dayText(day))
            return day;
        // Not a day: the next stamp after it.
        from = stamp + QChar(1);
    }
    return QDate();
}

// Rolls up the rows of the stamps from `fromText` up to `endText`: program
// totals of their days, odd rows, and the joins of first..last (when valid).
bool rollDays(QSqlDatabase &db, const QString &fromText, const QString &endText, const QDate &first, const QDate &last,
              qint64 watermark, RuleSet::Categorizer &categorizer, const JoinInputs &inputs, QString *error)
{
    QSqlQuery rows(db);
    rows.setForwardOnly(true);
    rows.prepare(QStringLiteral("SELECT ROWID, substr(AppDate, 1, 10), AppFileName, AppTitle, Duration, ")
                 + Rollup::wellFormed(QStringLiteral("AppDate"))
                 + QStringLiteral(" FROM ApplicationLog WHERE AppDate >= ? AND AppDate < ? AND ROWID <= ?"));
    rows.addBindValue(fromText);
    rows.addBindValue(endText);
    rows.addBindValue(watermark);
    if (!exec(rows, error))
        return false;
    QHash<ProgramKey, qint64> totals;
    QList<qint64> odd;
    while (rows.next()) {
        if (!rows.value(5).toBool()) {
            odd.append(rows.value(0).toLongLong());
            continue;
        }
        const QString path = rows.value(2).toString();
        totals[ProgramKey(rows.value(1).toString(), path, categoryName(categorizer, path, rows.value(3).toString()))] +=
            rows.value(4).toLongLong();
    }
    rows.finish();
    QMap<JoinKey, qint64> joins;
    if (first.isValid() && !joinDays(db, first, last, categorizer, inputs, joins, error))
        return false;
    const QString firstText = first.isValid() ? std::min(dayText(first), fromText.left(10)) : fromText;
    for (const QString &table : {QStringLiteral("RollupPrograms"), QStringLiteral("RollupJoins")})
        if (!run(db, QStringLiteral("DELETE FROM %1 WHERE Day >= ? AND Day < ?").arg(table), {firstText, endText}, error))
            return false;
    if (!run(db, QStringLiteral("DELETE FROM RollupStale WHERE Day >= ? AND Day < ?"), {fromText, endText}, error))
        return false;
    QSqlQuery program(db);
    program.prepare(QStringLiteral("INSERT INTO RollupPrograms (Day, AppFileName, Category, Seconds) VALUES (?, ?, ?, ?)"));
    for (auto it = totals.cbegin(); it != totals.cend(); ++it) {
        program.addBindValue(std::get<0>(it.key()));
        program.addBindValue(std::get<1>(it.key()));
        program.addBindValue(std::get<2>(it.key()));
        program.addBindValue(*it);
        if (!exec(program, error))
            return false;
    }
    QSqlQuery oddRow(db);
    oddRow.prepare(QStringLiteral("INSERT OR IGNORE INTO RollupOdd (RowId) VALUES (?)"));
    for (const qint64 row : std::as_const(odd)) {
        oddRow.addBindValue(row);
        if (!exec(oddRow, error))
            return false;
    }
    QSqlQuery join(db);
    join.prepare(
        QStringLiteral("INSERT INTO RollupJoins (Day, ActText, AppFileName, Category, Seconds) VALUES (?, ?, ?, ?, ?)"));
    for (auto it = joins.cbegin(); it != joins.cend(); ++it) {
        join.addBindValue(std::get<0>(it.key()));
        join.addBindValue(std::get<1>(it.key()));
        join.addBindValue(std::get<2>(it.key()));
        join.addBindValue(std::get<3>(it.key()));
        join.addBindValue(*it);
        if (!exec(join, error))
            return false;
    }
    return true;
}

} // namespace

QString Rollup::wellFormed(const QString &column)
{
    return QStringLiteral("(date(%1) IS substr(%1, 1, 10) AND "
                          "(%1 GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [01][0-9]:[0-5][0-9]:[0-5][0-9]' OR "
                          "%1 GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] 2[0-3]:[0-5][0-9]:[0-5][0-9]'))")
        .arg(column);
}

QString Rollup::rulesDigest(const QList<Rule> &rules)
{
    // Only what decides a category: privacy rules change nothing kept here.
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const Rule &rule : rules) {
        if (rule.action != Rule::Action::Category || !RuleSet::problem(rule).isEmpty())
            continue;
        const QString line = QStringList{rule.program, rule.title,
                                         QString::number(int(rule.syntax)), QString::number(int(rule.caseSensitive)),
                                         rule.category.trimmed()}
                                 .join(QChar(0x1f))
                             + QChar(0x1e);
        hash.addData(line.toUtf8());
    }
    return QString::fromLatin1(hash.result().toHex());
}

RuleSet Rollup::storedRules(const QSqlDatabase &db)
{
    return RuleSet(RuleStore::load(db).usable());
}

Rollup::Step Rollup::step(QSqlDatabase &db, const QDate &today, int budgetMs)
{
    QElapsedTimer clock;
    clock.start();
    State state = readState(db);
    if (!state.tables)
        return Step::Done;
    const QList<Rule> rules = RuleStore::load(db).usable();
    const QString digest = rulesDigest(rules);
    if (digest != state.digest || settingValue(db, kUntil).isNull()) {
        // Other categories: everything kept goes, and is built anew.
        for (const QString &table : {QStringLiteral("RollupPrograms"), QStringLiteral("RollupJoins"),
                                     QStringLiteral("RollupOdd"), QStringLiteral("RollupStale")})
            if (!run(db, QStringLiteral("DELETE FROM %1").arg(table), {}))
                return Step::Failed;
        QSqlQuery newest(QStringLiteral("SELECT MAX(ROWID) FROM ApplicationLog"), db);
        if (!newest.next())
            return Step::Failed;
        const bool stored = storeSetting(db, kUntil, QString(QLatin1String("")))
                            && storeSetting(db, kWatermark, newest.value(0).toLongLong())
                            && storeSetting(db, kRules, digest);
        return stored ? Step::More : Step::Failed;
    }
    // Rows added since the last build to days already kept void those days
    // (the triggers do as much; this also covers rows whose ids came back).
    QSqlQuery newest(QStringLiteral("SELECT MAX(ROWID) FROM ApplicationLog"), db);
    if (!newest.next())
        return Step::Failed;
    const qint64 top = newest.value(0).toLongLong();
    if (top > state.watermark) {
        const qint64 upTo = state.until.isEmpty() ? top : std::min(top, state.watermark + 100000);
        if (!state.until.isEmpty()) {
            const QVariantList range{state.watermark, upTo, state.until};
            if (!run(db,
                     QStringLiteral("INSERT OR IGNORE INTO RollupStale (Day) SELECT d FROM ("
                                    "SELECT substr(AppDate, 1, 10) AS d FROM ApplicationLog WHERE ROWID > ? AND ROWID <= ? "
                                    "AND AppDate < ? AND %1) WHERE d IS NOT NULL")
                         .arg(wellFormed(QStringLiteral("AppDate"))),
                     range)
                || !run(db,
                        QStringLiteral("INSERT OR IGNORE INTO RollupStale (Day) SELECT d FROM ("
                                       "SELECT date(substr(AppDate, 1, 10), '+1 day') AS d FROM ApplicationLog "
                                       "WHERE ROWID > ? AND ROWID <= ? AND AppDate < ? AND %1) WHERE d IS NOT NULL")
                            .arg(wellFormed(QStringLiteral("AppDate"))),
                        range)
                || !run(db,
                        QStringLiteral("INSERT OR IGNORE INTO RollupOdd (RowId) SELECT ROWID FROM ApplicationLog "
                                       "WHERE ROWID > ? AND ROWID <= ? AND AppDate < ? AND NOT %1")
                            .arg(wellFormed(QStringLiteral("AppDate"))),
                        range))
                return Step::Failed;
        }
        return storeSetting(db, kWatermark, upTo) ? Step::More : Step::Failed;
    }
    RuleSet::Categorizer categorizer{RuleSet(rules)};
    const JoinInputs inputs = joinInputs(db);
    // Days a change voided, rebuilt whole.
    QStringList stale;
    {
        QSqlQuery query(db);
        if (!run(db, QStringLiteral("DELETE FROM RollupStale WHERE Day < ? AND NOT ") + kDayShape, {state.until}))
            return Step::Failed;
        query.prepare(QStringLiteral("SELECT Day FROM RollupStale WHERE Day < ? ORDER BY Day LIMIT 16"));
        query.addBindValue(state.until);
        if (!query.exec())
            return Step::Failed;
        while (query.next())
            stale << query.value(0).toString();
    }
    if (!stale.isEmpty()) {
        for (const QString &text : std::as_const(stale)) {
            // Every stamp that begins with the day; SQLite takes some that are
            // no date (the 30th of February) for days of their own.
            const QDate day = QDate::fromString(text, Qt::ISODate);
            if (!rollDays(db, text, text + QChar(0xFFFF), day, day, state.watermark, categorizer, inputs, nullptr)
                || !run(db, QStringLiteral("DELETE FROM RollupStale WHERE Day IS ?"), {text}))
                return Step::Failed;
            if (clock.elapsed() > budgetMs)
                break;
        }
        return Step::More;
    }
    // Finished days not kept yet, oldest first.
    const QDate target = today.addDays(-1);
    if (!state.until.isEmpty() && state.until >= dayText(target))
        return Step::Done;
    const QDate first = nextDay(db, state.until, target);
    QDate last = target.addDays(-1);
    if (first.isValid()) {
        const int days = daysPerStep.load();
        last = std::min(first.addDays(days - 1), last);
        if (!rollDays(db, state.until, dayText(last.addDays(1)), first, last, state.watermark, categorizer, inputs,
                      nullptr))
            return Step::Failed;
        const qint64 took = clock.elapsed();
        if (took < budgetMs / 2)
            daysPerStep = std::min(days * 2, 256);
        else if (took > budgetMs)
            daysPerStep = std::max(days / 2, 1);
    } else if (!rollDays(db, state.until, dayText(last.addDays(1)), QDate(), QDate(), state.watermark, categorizer,
                         inputs, nullptr)) {
        // Only stamps that are not days are left before the target.
        return Step::Failed;
    }
    return storeSetting(db, kUntil, dayText(last.addDays(1))) ? Step::More : Step::Failed;
}

bool Rollup::buildAll(QSqlDatabase &db, const QDate &today)
{
    for (;;) {
        if (!QSqlQuery(db).exec(QStringLiteral("BEGIN IMMEDIATE")))
            return false;
        const Step result = step(db, today);
        if (result == Step::Failed || !QSqlQuery(db).exec(QStringLiteral("COMMIT"))) {
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            return false;
        }
        if (result == Step::Done)
            return true;
    }
}

namespace {

// Whether the rollup may be read with these categories, and what it covers.
State usableState(const QSqlDatabase &db, Rollup::Source source)
{
    if (source == Rollup::Source::Raw)
        return State();
    State state = readState(db);
    if (!state.tables || state.until.isEmpty() || state.digest != Rollup::rulesDigest(RuleStore::load(db).usable()))
        return State();
    return state;
}

const QString kRawSum = QStringLiteral("SELECT DATE(AppDate), AppFileName, AppTitle, SUM(Duration) FROM main.ApplicationLog ");
const QString kRawGroup = QStringLiteral(" GROUP BY DATE(AppDate), AppFileName, AppTitle");

bool stopped(const std::atomic<bool> *stop)
{
    return stop && stop->load(std::memory_order_relaxed);
}

} // namespace

bool Rollup::readPrograms(const QSqlDatabase &db, const QDate &from, const QDate &to, RuleSet::Categorizer &categorizer,
                          QList<ProgramTime> *out, const std::atomic<bool> *stop, Source source, QString *error)
{
    const State state = usableState(db, source);
    const QString fromText = dayText(from);
    const QString toText = dayEnd(to);
    QHash<ProgramKey, qint64> totals;
    const auto sum = [&](const QString &sql, const QVariantList &values) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        query.prepare(sql);
        for (const QVariant &value : values)
            query.addBindValue(value);
        return sumRows(query, categorizer, totals, stop, error) && !stopped(stop);
    };
    // Everything not kept: from the later of the range's start and the
    // first day not rolled up.
    const QString rawFrom = std::max(fromText, state.until);
    if (!sum(kRawSum + QStringLiteral("WHERE AppDate >= ? AND AppDate <= ?") + kRawGroup, {rawFrom, toText}))
        return false;
    if (!state.until.isEmpty() && fromText < state.until) {
        QSqlQuery kept(db);
        kept.setForwardOnly(true);
        kept.prepare(QStringLiteral("SELECT Day, AppFileName, Category, Seconds FROM RollupPrograms "
                                    "WHERE Day >= ? AND Day <= ? AND Day < ? AND Day NOT IN (SELECT Day FROM RollupStale)"));
        kept.addBindValue(fromText);
        kept.addBindValue(dayText(to));
        kept.addBindValue(state.until);
        if (!exec(kept, error))
            return false;
        while (kept.next())
            totals[ProgramKey(kept.value(0).toString(), kept.value(1).toString(), kept.value(2).toString())] +=
                kept.value(3).toLongLong();
        if (stopped(stop))
            return false;
        const QVariant watermark = state.watermark;
        // Rows newer than the rollup (by row id; the unary + keeps SQLite
        // off the date index, which would walk the whole range).
        if (!sum(kRawSum + QStringLiteral("WHERE ROWID > ? AND +AppDate >= ? AND +AppDate <= ? AND +AppDate < ?") + kRawGroup,
                 {watermark, fromText, toText, state.until}))
            return false;
        // Rows whose stamps are not plain days of their own.
        if (!sum(kRawSum
                     + QStringLiteral("WHERE ROWID IN (SELECT RowId FROM RollupOdd WHERE RowId <= ?) AND +AppDate >= ? "
                                      "AND +AppDate <= ? AND +AppDate < ?")
                     + kRawGroup,
                 {watermark, fromText, toText, state.until}))
            return false;
        // Days a change voided.
        QSqlQuery stale(db);
        stale.setForwardOnly(true);
        stale.prepare(QStringLiteral("SELECT Day FROM RollupStale WHERE Day >= ? AND Day <= ? AND Day < ? AND ") + kDayShape);
        stale.addBindValue(fromText);
        stale.addBindValue(dayText(to));
        stale.addBindValue(state.until);
        if (!exec(stale, error))
            return false;
        QStringList days;
        while (stale.next())
            days << stale.value(0).toString();
        for (const QString &day : std::as_const(days))
            if (!sum(kRawSum
                         + QStringLiteral("WHERE AppDate >= ? AND AppDate <= ? AND ROWID <= ? "
                                          "AND ROWID NOT IN (SELECT RowId FROM RollupOdd)")
                         + kRawGroup,
                     {day, day + QStringLiteral("T23:59:59"), watermark}))
                return false;
    }
    out->clear();
    out->reserve(totals.size());
    for (auto it = totals.cbegin(); it != totals.cend(); ++it)
        out->append({std::get<0>(it.key()), std::get<1>(it.key()), std::get<2>(it.key()), *it});
    return true;
}

bool Rollup::readJoins(const QSqlDatabase &db, const QDate &from, const QDate &to, RuleSet::Categorizer &categorizer,
                       QList<JoinTime> *out, const std::atomic<bool> *stop, Source source, QString *error)
{
    out->clear();
    if (from > to)
        return true;
    const State state = usableState(db, source);
    QMap<JoinKey, qint64> totals;
    QSet<QDate> raw;
    const QDate until = QDate::fromString(state.until, Qt::ISODate);
    // Days not rolled up at all.
    for (QDate day = until.isValid() ? std::max(from, until) : from; day <= to; day = day.addDays(1))
        raw.insert(day);
    if (until.isValid() && from < until) {
        QSqlQuery voided(db);
        voided.setForwardOnly(true);
        voided.prepare(QStringLiteral("SELECT Day FROM RollupStale WHERE Day >= ? AND Day <= ? AND Day < ? AND ") + kDayShape);
        voided.addBindValue(dayText(from));
        voided.addBindValue(dayText(to));
        voided.addBindValue(state.until);
        if (!exec(voided, error))
            return false;
        while (voided.next())
            raw.insert(QDate::fromString(voided.value(0).toString(), Qt::ISODate));
        // Rows newer than the rollup reach into the joins of their day and
        // the next.
        QSqlQuery newer(db);
        newer.setForwardOnly(true);
        newer.prepare(QStringLiteral("SELECT DISTINCT substr(AppDate, 1, 10) FROM ApplicationLog "
                                     "WHERE ROWID > ? AND +AppDate < ? AND %1")
                          .arg(wellFormed(QStringLiteral("AppDate"))));
        newer.addBindValue(state.watermark);
        newer.addBindValue(state.until);
        if (!exec(newer, error))
            return false;
        while (newer.next()) {
            const QDate day = QDate::fromString(newer.value(0).toString(), Qt::ISODate);
            raw.insert(day);
            raw.insert(day.addDays(1));
        }
        QSqlQuery kept(db);
        kept.setForwardOnly(true);
        kept.prepare(QStringLiteral("SELECT Day, ActText, AppFileName, Category, Seconds FROM RollupJoins "
                                    "WHERE Day >= ? AND Day <= ? AND Day < ?"));
        kept.addBindValue(dayText(from));
        kept.addBindValue(dayText(to));
        kept.addBindValue(state.until);
        if (!exec(kept, error))
            return false;
        QSet<QString> rawText;
        for (const QDate &day : std::as_const(raw))
            rawText.insert(dayText(day));
        while (kept.next()) {
            const QString day = kept.value(0).toString();
            if (rawText.contains(day))
                continue;
            totals[JoinKey(day, kept.value(1).toString(), kept.value(2).toString(), kept.value(3).toString())] +=
                kept.value(4).toLongLong();
        }
    }
    if (stopped(stop))
        return false;
    QList<QDate> days;
    for (const QDate &day : std::as_const(raw))
        if (day.isValid() && day >= from && day <= to)
            days.append(day);
    std::sort(days.begin(), days.end());
    const JoinInputs inputs = joinInputs(db);
    // Runs of following days share their reads.
    for (int i = 0; i < days.size();) {
        int j = i;
        while (j + 1 < days.size() && days[j + 1] == days[j].addDays(1) && j - i < 30)
            ++j;
        if (!joinDays(db, days[i], days[j], categorizer, inputs, totals, error) || stopped(stop))
            return false;
        i = j + 1;
    }
    out->reserve(totals.size());
    for (auto it = totals.cbegin(); it != totals.cend(); ++it)
        out->append({std::get<0>(it.key()), std::get<1>(it.key()), std::get<2>(it.key()), std::get<3>(it.key()), *it});
    return true;
}

Rollup::Rollup(LogWriter *writer, QObject *parent)
    : QObject(parent)
    , writer(writer)
{
    later.setSingleShot(true);
    connect(&later, &QTimer::timeout, this, &Rollup::next);
    midnight.setSingleShot(true);
    connect(&midnight, &QTimer::timeout, this, [this] {
        refresh();
        scheduleMidnight();
    });
}

void Rollup::start(int delayMs)
{
    later.start(delayMs);
    scheduleMidnight();
}

void Rollup::refresh()
{
    if (building)
        again = true;
    else if (!later.isActive())
        later.start(1000);
}

void Rollup::scheduleMidnight()
{
    // A little after midnight: the day before yesterday is then final.
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime next(now.date().addDays(1), QTime(0, 5));
    midnight.start(int(std::clamp<qint64>(now.msecsTo(next), 1000, 86400000)));
}

void Rollup::next()
{
    if (building) {
        again = true;
        return;
    }
    building = true;
    auto result = std::make_shared<Step>(Step::Failed);
    const QDate today = QDate::currentDate();
    writer->runJob(
        [result, today](QSqlDatabase &db) {
            *result = step(db, today);
            return *result != Step::Failed;
        },
        this,
        [this, result](bool committed) {
            building = false;
            if (!committed) {
                // Another program holds the log: another try later.
                later.start(60000);
            } else if (*result == Step::More) {
                // A pause between steps lets samples and answers through.
                later.start(10);
            } else if (again) {
                again = false;
                later.start(1000);
            } else {
                emit built();
            }
        });
}

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
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <sqlite3.h>

#include <algorithm>
#include <optional>

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
std::atomic<int> daysPerStep{4};

QString dayText(const QDate &day)
{
    return day.toString(Qt::ISODate);
}

QString dayEnd(const QDate &day)
{
    return dayText(day) + QStringLiteral("T23:59:59");
}

// A day as the rollup keys it.
qint64 dayNumber(const QString &text)
{
    const QDate day = QDate::fromString(text, Qt::ISODate);
    return day.isValid() && dayText(day) == text ? day.toJulianDay() : 0;
}

sqlite3 *handleOf(const QSqlDatabase &db)
{
    // Where Qt's driver carries a SQLite of its own (kesto for Windows), this
    // program's SQLite must not run statements on the driver's connections.
    if (!KESTO_SQLITE_SHARED_WITH_QT)
        return nullptr;
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        return *static_cast<sqlite3 *const *>(handle.constData());
    return nullptr;
}

// SQLite's own statements: the rollup reads hundreds of thousands of small
// rows, where a QSqlQuery's values cost more than the reading. Where SQLite
// cannot be reached directly, the same through QSqlQuery.
class Statement
{
public:
    Statement(const QSqlDatabase &db, const QString &sql)
        : handle(handleOf(db))
    {
        if (handle) {
            sqlite3_prepare_v2(handle, sql.toUtf8().constData(), -1, &statement, nullptr);
            return;
        }
        query.emplace(db);
        query->setForwardOnly(true);
        prepared = query->prepare(sql);
    }
    ~Statement() { sqlite3_finalize(statement); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    Statement &bind(int column, qint64 value)
    {
        if (query)
            query->bindValue(column - 1, value);
        else
            sqlite3_bind_int64(statement, column, value);
        return *this;
    }
    Statement &bind(int column, const QString &value)
    {
        if (query) {
            query->bindValue(column - 1, value);
            return *this;
        }
        const QByteArray utf8 = value.toUtf8();
        sqlite3_bind_text(statement, column, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        return *this;
    }
    bool next()
    {
        if (query) {
            if (!query->isActive()) {
                if (!(prepared && query->exec())) {
                    result = SQLITE_ERROR;
                    return false;
                }
                lastInsert = query->lastInsertId().toLongLong();
            }
            if (query->next())
                return (result = SQLITE_ROW) == SQLITE_ROW;
            result = query->lastError().isValid() ? SQLITE_ERROR : SQLITE_DONE;
            return false;
        }
        if (!statement)
            return false;
        result = sqlite3_step(statement);
        return result == SQLITE_ROW;
    }
    // Runs a statement without rows, ready to run again.
    bool run()
    {
        next();
        const bool ok = result == SQLITE_DONE;
        reset();
        return ok;
    }
    // After next() gave false: whether the rows ended without an error.
    bool ended() const { return (statement || query) && result == SQLITE_DONE; }
    void reset()
    {
        if (query)
            query->finish();
        else
            sqlite3_reset(statement);
        result = SQLITE_OK;
    }
    qint64 integer(int column) const
    {
        return query ? query->value(column).toLongLong() : sqlite3_column_int64(statement, column);
    }
    QString text(int column) const
    {
        if (query)
            return query->value(column).toString();
        const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
        return data ? QString::fromUtf8(data, sqlite3_column_bytes(statement, column)) : QString();
    }
    // The row id the last insert of this statement's connection gave.
    qint64 insertedId() const
    {
        return query ? lastInsert : sqlite3_last_insert_rowid(handle);
    }
    QString error() const
    {
        if (query)
            return query->lastError().text();
        return handle ? QString::fromUtf8(sqlite3_errmsg(handle)) : QStringLiteral("not SQLite");
    }

private:
    sqlite3 *handle = nullptr;
    sqlite3_stmt *statement = nullptr;
    std::optional<QSqlQuery> query;
    bool prepared = false;
    qint64 lastInsert = 0;
    int result = SQLITE_OK;
};

struct State
{
    bool tables = false;
    qint64 watermark = 0;
    QString until = QLatin1String("");
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
                                    "('RollupNames', 'RollupPrograms', 'RollupJoins', 'RollupOdd', 'RollupStale', "
                                    "'PromptIntervals', 'Settings')"),
                     db);
    state.tables = tables.next() && tables.value(0).toInt() == 7;
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

// Answer time by (day, answer, program); a null program is the answer's own.
using JoinKey = std::tuple<QString, QString, QString>;

struct Stretches
{
    QMap<QDate, QList<AnswerJoin::Stretch>> byDay;
    void add(const QString &stamp, qint64 seconds, const QString &path)
    {
        const QDateTime start = AnswerJoin::plainTime(stamp);
        if (start.isValid() && seconds > 0)
            byDay[start.date()].append({start, seconds, path, QString()});
    }
};

// The joins of the days first..last, from the stretches given (which reach
// back to the day before first), added to `totals`.
bool joinWith(const QSqlDatabase &db, const QDate &first, const QDate &last, const Stretches &stretches,
              const JoinInputs &inputs, QMap<JoinKey, qint64> &totals, QString *error)
{
    QMap<QDate, QList<AnswerJoin::Answer>> answers;
    Statement asked(db, QStringLiteral("SELECT ActDate, ActText FROM main.ActivityLog WHERE ActDate >= ? AND ActDate <= ? "
                                       "ORDER BY ActDate, ROWID"));
    asked.bind(1, dayText(first)).bind(2, dayEnd(last));
    while (asked.next()) {
        const QDateTime at = AnswerJoin::plainTime(asked.text(0));
        if (at.isValid())
            answers[at.date()].append({at, asked.text(1)});
    }
    if (!asked.ended()) {
        if (error)
            *error = asked.error();
        return false;
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
        QList<AnswerJoin::Stretch> reaching = stretches.byDay.value(day.key());
        for (const AnswerJoin::Stretch &stretch : stretches.byDay.value(day.key().addDays(-1)))
            if (stretch.start.addSecs(stretch.seconds).date() >= day.key())
                reaching.append(stretch);
        const QString text = dayText(day.key());
        for (const AnswerJoin::Joined &joined :
             AnswerJoin::joinDay(day.key(), *day, absences, inputs.intervals, inputs.fallback, reaching)) {
            totals[JoinKey(text, joined.answer, QString())] += joined.seconds;
            for (const AnswerJoin::ProgramTime &program : joined.programs)
                totals[JoinKey(text, joined.answer, program.program)] += program.seconds;
        }
    }
    return true;
}

// The joins of the days first..last from the raw rows.
bool joinDays(const QSqlDatabase &db, const QDate &first, const QDate &last, const JoinInputs &inputs,
              QMap<JoinKey, qint64> &totals, QString *error)
{
    // A stretch begun the day before can reach into the first day.
    Stretches stretches;
    Statement rows(db, QStringLiteral("SELECT AppDate, Duration, AppFileName FROM main.ApplicationLog "
                                      "WHERE AppDate >= ? AND AppDate <= ? AND ")
                           + Rollup::wellFormed(QStringLiteral("AppDate")));
    rows.bind(1, dayText(first.addDays(-1))).bind(2, dayEnd(last));
    while (rows.next())
        stretches.add(rows.text(0), rows.integer(1), rows.text(2));
    if (!rows.ended()) {
        if (error)
            *error = rows.error();
        return false;
    }
    return joinWith(db, first, last, stretches, inputs, totals, error);
}

} // namespace

using ProgramKey = std::tuple<QString, QString, QString>;

// Outside the anonymous namespace, where QHash looks for them.
size_t qHash(const ProgramKey &key, size_t seed = 0)
{
    return qHashMulti(seed, std::get<0>(key), std::get<1>(key), std::get<2>(key));
}

// A kept join's day, answer and program.
struct KeptJoin
{
    qint64 day;
    qint64 answer;
    qint64 program;
    friend bool operator==(const KeptJoin &a, const KeptJoin &b)
    {
        return a.day == b.day && a.answer == b.answer && a.program == b.program;
    }
};

size_t qHash(const KeptJoin &key, size_t seed = 0)
{
    return qHashMulti(seed, key.day, key.answer, key.program);
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
        if (dayNumber(stamp.left(10)) != 0)
            return QDate::fromString(stamp.left(10), Qt::ISODate);
        // Not a day: the next stamp after it.
        from = stamp + QChar(1);
    }
    return QDate();
}

// Ids of the texts the rollup keeps, each stored once.
class Names
{
public:
    explicit Names(const QSqlDatabase &db)
        : find(db, QStringLiteral("SELECT Id FROM RollupNames WHERE Name = ?"))
        , add(db, QStringLiteral("INSERT INTO RollupNames (Name) VALUES (?)"))
    {
    }
    // 0 when it cannot be stored.
    qint64 id(const QString &name)
    {
        const QString text = name.isNull() ? QString(QLatin1String("")) : name;
        if (const auto known = ids.constFind(text); known != ids.cend())
            return *known;
        qint64 id = 0;
        find.bind(1, text);
        if (find.next())
            id = find.integer(0);
        find.reset();
        if (id == 0) {
            add.bind(1, text);
            if (add.run())
                id = add.insertedId();
        }
        if (id != 0)
            ids.insert(text, id);
        return id;
    }

private:
    Statement find;
    Statement add;
    QHash<QString, qint64> ids;
};

// Rolls up the rows of the stamps from `fromText` up to `endText`: program
// totals of their days, odd rows, and the joins of first..last (when valid).
bool rollDays(QSqlDatabase &db, const QString &fromText, const QString &endText, const QDate &first, const QDate &last,
              qint64 watermark, RuleSet::Categorizer &categorizer, const JoinInputs &inputs, Names &names)
{
    // One read: the program totals' rows, and before them the day before
    // `first`, whose stretches can reach into it.
    const QString readFrom = first.isValid() ? std::min(fromText, dayText(first.addDays(-1))) : fromText;
    Statement rows(db, QStringLiteral("SELECT ROWID, AppDate, AppFileName, AppTitle, Duration, %1 FROM ApplicationLog "
                                      "WHERE AppDate >= ? AND AppDate < ?")
                           .arg(Rollup::wellFormed(QStringLiteral("AppDate"))));
    rows.bind(1, readFrom).bind(2, endText);
    QHash<ProgramKey, qint64> totals;
    QList<qint64> odd;
    Stretches stretches;
    while (rows.next()) {
        const QString stamp = rows.text(1);
        const bool plain = rows.integer(5) != 0;
        const QString path = rows.text(2);
        if (plain && first.isValid())
            stretches.add(stamp, rows.integer(4), path);
        if (stamp < fromText || rows.integer(0) > watermark)
            continue;
        const QString day = stamp.left(10);
        if (!plain || dayNumber(day) == 0) {
            odd.append(rows.integer(0));
            continue;
        }
        totals[ProgramKey(day, path, categoryName(categorizer, path, rows.text(3)))] += rows.integer(4);
    }
    if (!rows.ended())
        return false;
    QMap<JoinKey, qint64> joins;
    if (first.isValid() && !joinWith(db, first, last, stretches, inputs, joins, nullptr))
        return false;
    const qint64 firstDay = first.isValid() ? first.toJulianDay() : 0;
    const qint64 lastDay = first.isValid() ? last.toJulianDay() : -1;
    Statement clearPrograms(db, QStringLiteral("DELETE FROM RollupPrograms WHERE Day >= ? AND Day <= ?"));
    Statement clearJoins(db, QStringLiteral("DELETE FROM RollupJoins WHERE Day >= ? AND Day <= ?"));
    Statement clearStale(db, QStringLiteral("DELETE FROM RollupStale WHERE Day >= ? AND Day < ?"));
    if (!clearPrograms.bind(1, firstDay).bind(2, lastDay).run() || !clearJoins.bind(1, firstDay).bind(2, lastDay).run()
        || !clearStale.bind(1, fromText).bind(2, endText).run())
        return false;
    Statement program(db, QStringLiteral("INSERT INTO RollupPrograms (Day, Program, Category, Seconds) VALUES (?, ?, ?, ?)"));
    for (auto it = totals.cbegin(); it != totals.cend(); ++it) {
        const qint64 path = names.id(std::get<1>(it.key()));
        const qint64 category = names.id(std::get<2>(it.key()));
        if (path == 0 || category == 0
            || !program.bind(1, dayNumber(std::get<0>(it.key()))).bind(2, path).bind(3, category).bind(4, *it).run())
            return false;
    }
    Statement oddRow(db, QStringLiteral("INSERT OR IGNORE INTO RollupOdd (RowId) VALUES (?)"));
    for (const qint64 row : std::as_const(odd))
        if (!oddRow.bind(1, row).run())
            return false;
    Statement join(db, QStringLiteral("INSERT INTO RollupJoins (Day, Answer, Program, Seconds) VALUES (?, ?, ?, ?)"));
    for (auto it = joins.cbegin(); it != joins.cend(); ++it) {
        const qint64 answer = names.id(std::get<1>(it.key()));
        const qint64 path = std::get<2>(it.key()).isNull() ? 0 : names.id(std::get<2>(it.key()));
        if (answer == 0 || (path == 0 && !std::get<2>(it.key()).isNull())
            || !join.bind(1, dayNumber(std::get<0>(it.key()))).bind(2, answer).bind(3, path).bind(4, *it).run())
            return false;
    }
    return true;
}

} // namespace

QString Rollup::wellFormed(const QString &column)
{
    // With a modifier SQLite gives a date of the calendar (the 30th of
    // February becomes the 2nd of March), so only real days pass.
    return QStringLiteral("(date(%1, '+0 days') IS substr(%1, 1, 10) AND "
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
                                     QStringLiteral("RollupOdd"), QStringLiteral("RollupStale"),
                                     QStringLiteral("RollupNames")})
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
    Names names(db);
    // Days a change voided, rebuilt whole.
    QStringList stale;
    {
        if (!run(db, QStringLiteral("DELETE FROM RollupStale WHERE Day < ? AND NOT ") + kDayShape, {state.until}))
            return Step::Failed;
        QSqlQuery query(db);
        query.prepare(QStringLiteral("SELECT Day FROM RollupStale WHERE Day < ? ORDER BY Day LIMIT 16"));
        query.addBindValue(state.until);
        if (!query.exec())
            return Step::Failed;
        while (query.next())
            stale << query.value(0).toString();
    }
    if (!stale.isEmpty()) {
        for (const QString &text : std::as_const(stale)) {
            // Every stamp that begins with the day.
            const QDate day = QDate::fromString(text, Qt::ISODate);
            if (!rollDays(db, text, text + QChar(0xFFFF), day, day, state.watermark, categorizer, inputs, names)
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
        if (!rollDays(db, state.until, dayText(last.addDays(1)), first, last, state.watermark, categorizer, inputs, names))
            return Step::Failed;
        const qint64 took = clock.elapsed();
        if (took < budgetMs / 3)
            daysPerStep = std::min(days * 2, 64);
        else if (took > budgetMs)
            daysPerStep = std::max(days / 2, 1);
    } else if (!rollDays(db, state.until, dayText(last.addDays(1)), QDate(), QDate(), state.watermark, categorizer,
                         inputs, names)) {
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

QHash<qint64, QString> readNames(const QSqlDatabase &db)
{
    QHash<qint64, QString> names;
    Statement all(db, QStringLiteral("SELECT Id, Name FROM RollupNames"));
    while (all.next())
        names.insert(all.integer(0), all.text(1));
    return names;
}

// The voided days of a range, as texts and as the rollup keys them.
bool staleDays(const QSqlDatabase &db, const QDate &from, const QDate &to, const QString &until, QStringList *texts,
               QSet<qint64> *days, QString *error)
{
    QSqlQuery stale(db);
    stale.setForwardOnly(true);
    stale.prepare(QStringLiteral("SELECT Day FROM RollupStale WHERE Day >= ? AND Day <= ? AND Day < ? AND ") + kDayShape);
    stale.addBindValue(dayText(from));
    stale.addBindValue(dayText(to));
    stale.addBindValue(until);
    if (!exec(stale, error))
        return false;
    while (stale.next()) {
        texts->append(stale.value(0).toString());
        days->insert(dayNumber(texts->last()));
    }
    return true;
}

// Day texts of the rollup's day numbers, made once each.
class DayTexts
{
public:
    const QString &operator()(qint64 day)
    {
        auto it = texts.find(day);
        if (it == texts.end())
            it = texts.insert(day, dayText(QDate::fromJulianDay(day)));
        return *it;
    }

private:
    QHash<qint64, QString> texts;
};

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
        QStringList staleTexts;
        QSet<qint64> staleNumbers;
        if (!staleDays(db, from, to, state.until, &staleTexts, &staleNumbers, error))
            return false;
        const QHash<qint64, QString> names = readNames(db);
        DayTexts days;
        // Each kept row is a key of its own: it goes out as it is.
        Statement kept(db, QStringLiteral("SELECT Day, Program, Category, Seconds FROM RollupPrograms "
                                          "WHERE Day >= ? AND Day <= ? AND Day < ?"));
        kept.bind(1, from.toJulianDay()).bind(2, to.toJulianDay()).bind(3, dayNumber(state.until));
        out->clear();
        while (kept.next()) {
            const qint64 day = kept.integer(0);
            if (staleNumbers.contains(day))
                continue;
            out->append({days(day), names.value(kept.integer(1)), names.value(kept.integer(2)), kept.integer(3), day});
        }
        if (!kept.ended()) {
            if (error)
                *error = kept.error();
            return false;
        }
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
        for (const QString &day : std::as_const(staleTexts))
            if (!sum(kRawSum
                         + QStringLiteral("WHERE AppDate >= ? AND AppDate <= ? AND ROWID <= ? "
                                          "AND ROWID NOT IN (SELECT RowId FROM RollupOdd)")
                         + kRawGroup,
                     {day, day + QStringLiteral("T23:59:59"), watermark}))
                return false;
    }
    if (state.until.isEmpty() || fromText >= state.until)
        out->clear();
    out->reserve(out->size() + totals.size());
    QHash<QString, qint64> numbers;
    for (auto it = totals.cbegin(); it != totals.cend(); ++it) {
        const QString &day = std::get<0>(it.key());
        auto number = numbers.constFind(day);
        if (number == numbers.cend())
            number = numbers.insert(day, dayNumber(day));
        out->append({day, std::get<1>(it.key()), std::get<2>(it.key()), *it, *number});
    }
    return true;
}

bool Rollup::readJoins(const QSqlDatabase &db, const QDate &from, const QDate &to, QList<JoinTime> *out,
                       const std::atomic<bool> *stop, Source source, Days days, QString *error)
{
    out->clear();
    if (from > to)
        return true;
    const State state = usableState(db, source);
    const bool byDay = days == Days::Each;
    QHash<JoinKey, qint64> totals;
    QSet<QDate> raw;
    const QDate until = QDate::fromString(state.until, Qt::ISODate);
    // Days not rolled up at all.
    for (QDate day = until.isValid() ? std::max(from, until) : from; day <= to; day = day.addDays(1))
        raw.insert(day);
    if (until.isValid() && from < until) {
        QStringList staleTexts;
        QSet<qint64> rawNumbers;
        if (!staleDays(db, from, to, state.until, &staleTexts, &rawNumbers, error))
            return false;
        for (const QString &text : std::as_const(staleTexts))
            raw.insert(QDate::fromString(text, Qt::ISODate));
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
        for (const QDate &day : std::as_const(raw))
            if (day.isValid())
                rawNumbers.insert(day.toJulianDay());
        // Summed in SQLite's own values first: years hold a million rows.
        const QHash<qint64, QString> names = readNames(db);
        QHash<KeptJoin, qint64> kept;
        Statement rows(db, QStringLiteral("SELECT Day, Answer, Program, Seconds FROM RollupJoins "
                                          "WHERE Day >= ? AND Day <= ? AND Day < ?"));
        rows.bind(1, from.toJulianDay()).bind(2, to.toJulianDay()).bind(3, until.toJulianDay());
        while (rows.next()) {
            const qint64 day = rows.integer(0);
            if (rawNumbers.contains(day))
                continue;
            kept[KeptJoin{byDay ? day : 0, rows.integer(1), rows.integer(2)}] += rows.integer(3);
        }
        if (!rows.ended()) {
            if (error)
                *error = rows.error();
            return false;
        }
        DayTexts dayTexts;
        out->reserve(kept.size());
        for (auto it = kept.cbegin(); it != kept.cend(); ++it) {
            const KeptJoin &key = it.key();
            out->append({byDay ? dayTexts(key.day) : QString(), names.value(key.answer),
                         key.program == 0 ? QString() : names.value(key.program), *it});
        }
    }
    if (stopped(stop))
        return false;
    QList<QDate> rawDays;
    for (const QDate &day : std::as_const(raw))
        if (day.isValid() && day >= from && day <= to)
            rawDays.append(day);
    std::sort(rawDays.begin(), rawDays.end());
    const JoinInputs inputs = joinInputs(db);
    // Runs of following days share their reads.
    for (int i = 0; i < rawDays.size();) {
        int j = i;
        while (j + 1 < rawDays.size() && rawDays[j + 1] == rawDays[j].addDays(1) && j - i < 30)
            ++j;
        QMap<JoinKey, qint64> joined;
        if (!joinDays(db, rawDays[i], rawDays[j], inputs, joined, error) || stopped(stop))
            return false;
        for (auto it = joined.cbegin(); it != joined.cend(); ++it)
            totals[JoinKey(byDay ? std::get<0>(it.key()) : QString(), std::get<1>(it.key()), std::get<2>(it.key()))] += *it;
        i = j + 1;
    }
    out->reserve(out->size() + totals.size());
    for (auto it = totals.cbegin(); it != totals.cend(); ++it)
        out->append({std::get<0>(it.key()), std::get<1>(it.key()), std::get<2>(it.key()), *it});
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

// The totals kept ahead of time never disagree with the raw rows: every
// total equals the Programs view's GROUP BY (and the joins what the raw rows
// give), before and after whatever may happen to the log.
#include "answerjoin.h"
#include "forgetting.h"
#include "logwriter.h"
#include "rollup.h"
#include "schema.h"
#include "summaryreader.h"
#include "testsupport.h"
#include "timesheet.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

using namespace TestSupport;

namespace {

const QDate kToday(2026, 3, 20);

QString stamp(int daysBack, const QString &time)
{
    return kToday.addDays(-daysBack).toString(Qt::ISODate) + QLatin1Char(' ') + time;
}

// Twelve days of a user, with what older logs hold: rows crossing midnight,
// stamps that are not plain times, rows without a date.
void fill(LogFile &log)
{
    QVERIFY(log.exec("DELETE FROM Rules"));
    QVERIFY(log.exec("INSERT INTO Rules (Position, Program, Action, Category) VALUES (1, 'editor', 'category', 'Work')"));
    QVERIFY(log.exec("INSERT INTO Rules (Position, Title, Action, Category) VALUES (2, '*news*', 'category', 'Reading')"));
    for (int back = 12; back >= 0; --back) {
        const QVariantList rows[] = {
            {"/usr/bin/editor", "a.txt", stamp(back, "09:00:00"), 600 + back},
            {"/usr/bin/firefox", "news page", stamp(back, "09:10:00"), 1200},
            {"/usr/bin/firefox", "mail", stamp(back, "09:30:00"), 300},
            {"/usr/bin/editor", "b.txt", stamp(back, "11:00:00"), 900},
            {"/usr/bin/term", "sh", stamp(back, "23:50:00"), 1200},
        };
        for (const QVariantList &row : rows)
            QVERIFY(log.exec("INSERT INTO ApplicationLog (AppFileName, AppTitle, AppDate, Duration) VALUES (?, ?, ?, ?)", row));
        for (const auto &[time, text] : {std::pair{"09:20:00", "code"}, std::pair{"09:40:00", "read, \"news\""},
                                         std::pair{"10:00:00", "mail"}, std::pair{"00:15:00", "late"}})
            QVERIFY(log.exec("INSERT INTO ActivityLog (ActText, ActDate) VALUES (?, ?)", {text, stamp(back, time)}));
        if (back % 3 == 0)
            QVERIFY(log.exec("INSERT INTO Absences (AwayStart, AwayEnd) VALUES (?, ?)",
                             {stamp(back, "09:45:00"), stamp(back, "09:55:00")}));
    }
    for (const QVariant &odd : {QVariant(stamp(9, "10:00:00").replace(' ', 'T')), QVariant("2026-02-30 10:00:00"),
                                QVariant(), QVariant(""), QVariant("garbage"), QVariant(stamp(8, "25:00:00")),
                                QVariant(stamp(7, "1:00:00")), QVariant(stamp(6, "10:00:00.5"))})
        QVERIFY(log.exec("INSERT INTO ApplicationLog (AppFileName, AppTitle, AppDate, Duration) VALUES "
                         "('/usr/bin/odd', 'odd', ?, 7)",
                         {odd}));
}

using Totals = QMap<QString, qint64>;

// The Programs view's statement, by day and program.
Totals reference(LogFile &log, const QDate &from, const QDate &to)
{
    Totals totals;
    for (const QVariantList &row :
         log.rows("SELECT DATE(AppDate), AppFileName, SUM(Duration) FROM ApplicationLog WHERE AppDate>=? AND "
                  "AppDate<=? GROUP BY DATE(AppDate), AppFileName",
                  {from.toString(Qt::ISODate), to.toString(Qt::ISODate) + "T23:59:59"}))
        totals[row[0].toString() + '|' + row[1].toString()] += row[2].toLongLong();
    return totals;
}

Totals programs(LogFile &log, const QDate &from, const QDate &to, Rollup::Source source, bool withCategory)
{
    RuleSet::Categorizer categorizer(Rollup::storedRules(log.db()));
    QList<Rollup::ProgramTime> read;
    if (!Rollup::readPrograms(log.db(), from, to, categorizer, &read, nullptr, source))
        return {{"failed", -1}};
    Totals totals;
    for (const Rollup::ProgramTime &time : read)
        totals[time.day + '|' + time.program + (withCategory ? '|' + time.category : QString())] += time.seconds;
    return totals;
}

Totals joins(LogFile &log, const QDate &from, const QDate &to, Rollup::Source source)
{
    QList<Rollup::JoinTime> read;
    if (!Rollup::readJoins(log.db(), from, to, &read, nullptr, source))
        return {{"failed", -1}};
    Totals totals;
    for (const Rollup::JoinTime &time : read)
        if (time.seconds != 0)
            totals[QStringList{time.day, time.answer, time.program.isNull() ? "(own)" : time.program}.join('|')] +=
                time.seconds;
    return totals;
}

// Kept and raw agree over ranges that cut through kept days, voided days
// and the days not kept yet.
void compareAll(LogFile &log)
{
    const QList<std::pair<QDate, QDate>> ranges{{kToday.addDays(-40), kToday.addDays(1)},
                                                {kToday.addDays(-9), kToday.addDays(-4)},
                                                {kToday.addDays(-7), kToday.addDays(-7)},
                                                {kToday.addDays(-2), kToday},
                                                {QDate(2026, 2, 1), QDate(2026, 2, 28)}};
    for (const auto &[from, to] : ranges) {
        const QByteArray where = (from.toString(Qt::ISODate) + " to " + to.toString(Qt::ISODate)).toUtf8();
        const Totals expected = reference(log, from, to);
        QVERIFY2(!expected.isEmpty() || from.month() == 2, where);
        QCOMPARE(programs(log, from, to, Rollup::Source::Kept, false), expected);
        QCOMPARE(programs(log, from, to, Rollup::Source::Kept, true), programs(log, from, to, Rollup::Source::Raw, true));
        QCOMPARE(joins(log, from, to, Rollup::Source::Kept), joins(log, from, to, Rollup::Source::Raw));
    }
}

// A log from the template, filled; its path.
QString filledLog(Sandbox &box)
{
    box.copyTemplate();
    QFile::copy(box.work() + "/template.db", box.logPath());
    QFile(box.logPath()).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    LogFile log(box.logPath());
    fill(log);
    return box.logPath();
}

bool build(LogFile &log)
{
    QSqlDatabase db = log.db();
    return Rollup::buildAll(db, kToday);
}

} // namespace

class TestRollup : public QObject
{
    Q_OBJECT

private slots:
    void totalsEqualRawRows_data();
    void totalsEqualRawRows();
    void logWithoutTheTables();
    void buildsThroughTheWriter();
    void summaryAndTimesheet();
    void timelineOfADay();
    void intervalChangesAreKept();
};

void TestRollup::totalsEqualRawRows_data()
{
    QTest::addColumn<QStringList>("change");
    QTest::addColumn<bool>("forget");
    QTest::newRow("as built") << QStringList{} << false;
    QTest::newRow("an older kesto adds and extends rows of kept days")
        << QStringList{"INSERT INTO ApplicationLog VALUES ('/usr/bin/old', 'x', '" + stamp(8, "14:00:00") + "', 500)",
                       "INSERT INTO ApplicationLog VALUES ('/usr/bin/old', 'x', '" + stamp(8, "14:00:00").replace(' ', 'T')
                           + "', 11)",
                       "UPDATE ApplicationLog SET Duration = Duration + 500 WHERE AppDate = '" + stamp(9, "09:00:00") + "'",
                       "UPDATE ApplicationLog SET AppDate = '" + stamp(5, "08:00:00") + "' WHERE AppDate = '"
                           + stamp(6, "11:00:00") + "'",
                       "INSERT INTO ActivityLog VALUES ('older', '" + stamp(8, "14:10:00") + "')",
                       "INSERT INTO ApplicationLog VALUES ('/usr/bin/old', 'short', '" + stamp(8, "").left(9) + "', 13)"}
        << false;
    QTest::newRow("an older kesto adds rows today")
        << QStringList{"INSERT INTO ApplicationLog VALUES ('/usr/bin/old', 'x', '" + stamp(0, "14:00:00") + "', 500)",
                       "INSERT INTO ActivityLog VALUES ('older', '" + stamp(0, "14:10:00") + "')"}
        << false;
    QTest::newRow("a deleted row's id comes back on an old day")
        << QStringList{"DELETE FROM ApplicationLog WHERE ROWID = (SELECT MAX(ROWID) FROM ApplicationLog)",
                       "INSERT INTO ApplicationLog VALUES ('/usr/bin/again', 'x', '" + stamp(10, "15:00:00") + "', 77)",
                       "INSERT INTO ApplicationLog VALUES ('/usr/bin/again', 'x', '2026-02-31 15:00:00', 78)"}
        << false;
    QTest::newRow("an answer taken back and rewritten")
        << QStringList{"UPDATE ActivityLog SET ActText = 'Email' WHERE ActDate = '" + stamp(6, "10:00:00") + "'"} << false;
    QTest::newRow("answers deleted")
        << QStringList{"DELETE FROM ActivityLog WHERE ActText = 'code' AND ActDate < '" + stamp(3, "") + "'"} << false;
    QTest::newRow("other category rules")
        << QStringList{"INSERT INTO Rules (Position, Program, Action, Category) VALUES (0, 'term', 'category', 'Shell')",
                       "UPDATE Rules SET Category = 'Job' WHERE Category = 'Work'"}
        << false;
    QTest::newRow("another interval from a past day on")
        << QStringList{"INSERT INTO PromptIntervals (Since, Minutes) VALUES ('" + stamp(5, "00:00:00") + "', 60)"} << false;
    QTest::newRow("an absence on a kept day")
        << QStringList{"INSERT INTO Absences VALUES ('" + stamp(7, "09:05:00") + "', '" + stamp(7, "09:25:00") + "')"}
        << false;
    QTest::newRow("forgotten span and answer text") << QStringList{} << true;
}

void TestRollup::totalsEqualRawRows()
{
    QFETCH(QStringList, change);
    QFETCH(bool, forget);
    Sandbox box;
    LogFile log(filledLog(box));
    compareAll(log);
    QVERIFY(build(log));
    // Kept up to the day before yesterday, and read from there.
    QCOMPARE(log.value("SELECT Value FROM Settings WHERE Name = 'rollupUntil'").toString(),
             kToday.addDays(-1).toString(Qt::ISODate));
    QVERIFY(log.value("SELECT COUNT(*) FROM RollupPrograms").toInt() > 0);
    QVERIFY(log.value("SELECT COUNT(*) FROM RollupJoins").toInt() > 0);
    QCOMPARE(log.value("SELECT COUNT(*) FROM RollupOdd").toInt(), 6);
    compareAll(log);

    for (const QString &sql : change)
        QVERIFY2(log.exec(sql), qPrintable(sql));
    if (forget) {
        LogWriter writer(box.logPath());
        Forgetting span;
        span.from = QDateTime::fromString(stamp(5, "09:05:00"), "yyyy-MM-dd HH:mm:ss");
        span.to = QDateTime::fromString(stamp(5, "09:35:00"), "yyyy-MM-dd HH:mm:ss");
        QVERIFY(writer.forget(span).done);
        Forgetting text;
        text.from = QDateTime(kToday.addDays(-30), QTime(0, 0));
        text.to = QDateTime(kToday, QTime(0, 0));
        text.programs = false;
        text.text = QStringLiteral("read, \"news\"");
        QVERIFY(writer.forget(text).done);
        // Nothing forgotten lingers in what is kept.
        QCOMPARE(log.value("SELECT COUNT(*) FROM RollupNames WHERE Name = ?", {*text.text}).toInt(), 0);
        QCOMPARE(log.value("SELECT COUNT(*) FROM RollupPrograms WHERE Day = ?", {kToday.addDays(-5).toJulianDay()}).toInt(), 0);
    }
    if (QString(QTest::currentDataTag()) == QLatin1String("answers deleted"))
        QCOMPARE(log.value("SELECT COUNT(*) FROM RollupJoins WHERE Answer = (SELECT Id FROM RollupNames WHERE Name = 'code') "
                           "AND Day < ?",
                           {kToday.addDays(-3).toJulianDay()})
                     .toInt(),
                 0);
    compareAll(log);
    // Built again: everything kept once more, still equal.
    QVERIFY(build(log));
    QCOMPARE(log.value("SELECT COUNT(*) FROM RollupStale WHERE Day < ?", {kToday.addDays(-1).toString(Qt::ISODate)}).toInt(), 0);
    compareAll(log);
}

void TestRollup::logWithoutTheTables()
{
    // A log this kesto could not migrate: everything is read raw.
    Sandbox box;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "v3");
        db.setDatabaseName(box.logPath());
        QVERIFY(db.open());
        QVERIFY(Schema::apply(db));
        for (int v = 1; v <= 3; ++v)
            for (const QString &statement : Schema::migration(v))
                QVERIFY(QSqlQuery(db).exec(statement));
        db.close();
    }
    QSqlDatabase::removeDatabase("v3");
    LogFile log(box.logPath());
    fill(log);
    QVERIFY(build(log));
    QCOMPARE(log.value("SELECT COUNT(*) FROM sqlite_master WHERE name = 'RollupPrograms'").toInt(), 0);
    compareAll(log);
    QVERIFY(joins(log, kToday.addDays(-30), kToday, Rollup::Source::Kept).size() > 10);
}

void TestRollup::buildsThroughTheWriter()
{
    Sandbox box;
    LogFile log(filledLog(box));
    // Old enough that the history is finished days.
    LogWriter writer(box.logPath());
    Rollup rollup(&writer);
    QSignalSpy built(&rollup, &Rollup::built);
    rollup.start(0);
    // A sample asked for meanwhile gets in.
    writer.beginStretch(1, "/usr/bin/now", "now", QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss"), 5);
    QVERIFY(built.wait(20000));
    QVERIFY(log.value("SELECT Value FROM Settings WHERE Name = 'rollupUntil'").toString() >= kToday.toString(Qt::ISODate));
    QCOMPARE(log.value("SELECT COUNT(*) FROM ApplicationLog WHERE AppFileName = '/usr/bin/now'").toInt(), 1);
    compareAll(log);
}

void TestRollup::summaryAndTimesheet()
{
    Sandbox box;
    LogFile log(filledLog(box));
    QVERIFY(build(log));
    const QDate from = kToday.addDays(-70);
    QList<Summary> first;
    const Summary summary = SummaryReader::read(box.logPath(), QString(), from, kToday, nullptr,
                                                [&first](const Summary &totals) { first << totals; });
    QCOMPARE(first.size(), 1);
    QVERIFY(!first[0].complete);
    QVERIFY(summary.complete);
    QVERIFY(summary.error.isEmpty());
    qint64 recorded = 0;
    for (const qint64 seconds : reference(log, from, kToday))
        recorded += seconds;
    QCOMPARE(summary.recorded, recorded);
    QCOMPARE(first[0].recorded, recorded);
    // Over 60 days the columns are weeks, Monday first, and hold all time.
    QVERIFY(summary.weekly);
    QCOMPARE(summary.columns.first().first, from);
    QCOMPARE(summary.columns[1].first.dayOfWeek(), 1);
    qint64 charted = 0, away = 0;
    for (const SummaryColumn &column : summary.columns) {
        for (const qint64 seconds : column.seconds)
            charted += seconds;
        away += column.away;
    }
    QCOMPARE(charted, recorded);
    QCOMPARE(summary.away, qint64(5 * 600));
    QCOMPARE(away, summary.away);
    // Stacked by category, most time first.
    QStringList categories;
    for (const SummaryEntry &entry : summary.categories)
        categories << entry.name;
    QCOMPARE(summary.stackKeys, categories);
    QCOMPARE(QSet<QString>(categories.cbegin(), categories.cend()), (QSet<QString>{"", "Reading", "Work"}));
    QVERIFY(!summary.answers.isEmpty());
    QCOMPARE(summary.joined.size(), summary.answers.size());

    // The timesheet, read back as a spreadsheet would.
    for (const Timesheet::By by : {Timesheet::By::Answer, Timesheet::By::Category}) {
        const QString file = box.work() + "/timesheet.csv";
        QCOMPARE(Timesheet::write(box.logPath(), QString(), from, kToday, by, file), QString());
        QProcess python;
        python.start("python3", {"-c", "import csv, json, sys\n"
                                       "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                                       "    print(json.dumps(list(csv.reader(f))))\n",
                                 file});
        QVERIFY(python.waitForFinished(20000));
        const QJsonArray records = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
        QCOMPARE(records.size(), 1 + 13);
        const QJsonArray header = records[0].toArray();
        QCOMPARE(header.first().toString(), QStringLiteral("Day"));
        QCOMPARE(header.last().toString(), QStringLiteral("Total"));
        QStringList names;
        for (int i = 1; i < header.size() - 1; ++i)
            names << header[i].toString();
        double hours = 0;
        for (int r = 1; r < records.size(); ++r) {
            const QJsonArray line = records[r].toArray();
            QCOMPARE(line.size(), header.size());
            double sum = 0;
            for (int i = 1; i < line.size() - 1; ++i)
                sum += line[i].toString().toDouble();
            QVERIFY(qAbs(sum - line.last().toString().toDouble()) < 0.01 * line.size());
            hours += line.last().toString().toDouble();
        }
        if (by == Timesheet::By::Answer) {
            QStringList answers;
            qint64 seconds = 0;
            for (const SummaryEntry &entry : summary.answers) {
                answers << entry.name;
                seconds += entry.seconds;
            }
            QCOMPARE(names, answers);
            QVERIFY(names.contains("read, \"news\""));
            QVERIFY(qAbs(hours - seconds / 3600.0) < 0.01 * records.size());
        } else {
            QCOMPARE(QSet<QString>(names.cbegin(), names.cend()), (QSet<QString>{"No category", "Reading", "Work"}));
            // Days are the stamps' own: the odd rows SQLite dates elsewhere stay out.
            QVERIFY(qAbs(hours - recorded / 3600.0) < 0.01 * records.size() + 0.01);
        }
    }
}

void TestRollup::timelineOfADay()
{
    Sandbox box;
    LogFile log(filledLog(box));
    const QDate day = kToday.addDays(-3);
    const TimelineDay timeline = TimelineReader::read(log.db(), day);
    QVERIFY(timeline.error.isEmpty());
    QCOMPARE(timeline.stretches.size(), 6);
    // The row begun the evening before counts from midnight.
    QCOMPARE(timeline.stretches.first().start, QDateTime(day, QTime(0, 0)));
    QCOMPARE(timeline.stretches.first().seconds, qint64(600));
    QCOMPARE(timeline.stretches[1].category, QStringLiteral("Work"));
    QCOMPARE(timeline.stretches[2].category, QStringLiteral("Reading"));
    // And the day's own last row ends at midnight.
    QCOMPARE(timeline.stretches.last().seconds, qint64(600));
    QCOMPARE(timeline.answers.size(), 4);
    QCOMPARE(timeline.answers.first().text, QStringLiteral("late"));
    QCOMPARE(timeline.away.size(), 1);
    QCOMPARE(timeline.away.first().start, QDateTime(day, QTime(9, 45)));
}

void TestRollup::intervalChangesAreKept()
{
    // The log's interval stands for its past; each change of it is noted
    // from then on, and choosing the same again notes nothing.
    Harness h;
    QCOMPARE(h.log->rows("SELECT Since, Minutes FROM PromptIntervals"), (QList<QVariantList>{{"", 30}}));
    h.action("menuFreq60min")->trigger();
    h.action("menuFreq60min")->trigger();
    h.action("menuFreq15min")->trigger();
    LogWriter::waitForAll();
    const QList<QVariantList> rows = h.log->rows("SELECT Since, Minutes FROM PromptIntervals ORDER BY ROWID");
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[1][1].toInt(), 60);
    QCOMPARE(rows[2][1].toInt(), 15);
    QVERIFY(AnswerJoin::plainTime(rows[2][0].toString()).isValid());
    QCOMPARE(AnswerJoin::plainTime(rows[2][0].toString()).date(), QDate::currentDate());
}

QTEST_MAIN(TestRollup)
#include "tst_rollup.moc"

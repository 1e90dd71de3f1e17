// The join rule on hand-made days: what each answer stands for, and the
// programs within it.
#include "answerjoin.h"

#include <QTest>

namespace {

const QDate kDay(2026, 3, 10);

// "HH:MM" or "HH:MM:SS" on the day; "-HH:MM" the day before.
QDateTime at(QString text)
{
    QDate day = kDay;
    if (text.startsWith('-')) {
        day = day.addDays(-1);
        text.remove(0, 1);
    }
    const QTime time = QTime::fromString(text, text.size() > 5 ? "HH:mm:ss" : "HH:mm");
    return QDateTime(day, time, Qt::UTC);
}

} // namespace

class TestJoin : public QObject
{
    Q_OBJECT

private slots:
    void joinRule_data();
    void joinRule();
    void plainTimes_data();
    void plainTimes();
};

void TestJoin::plainTimes_data()
{
    // Only what SQLite's datetime('now', 'localtime') writes is a time here.
    QTest::addColumn<QString>("stamp");
    QTest::addColumn<QDateTime>("expected");
    QTest::newRow("plain") << "2026-03-10 09:05:07" << QDateTime(QDate(2026, 3, 10), QTime(9, 5, 7), Qt::UTC);
    QTest::newRow("last second") << "2024-02-29 23:59:59" << QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59), Qt::UTC);
    for (const char *odd : {"2026-02-30 10:00:00", "2026-03-10 24:00:00", "2026-03-10T10:00:00", "2026-03-10 1:00:00",
                            "2026-03-10 10:00:00.5", "2026-03-1a 10:00:00", "", "garbage"})
        QTest::newRow(odd) << QString(odd) << QDateTime();
}

void TestJoin::plainTimes()
{
    QFETCH(QString, stamp);
    QFETCH(QDateTime, expected);
    QCOMPARE(AnswerJoin::plainTime(stamp), expected);
}

void TestJoin::joinRule_data()
{
    // answers "HH:MM text"; absences "from-to"; intervals "since=minutes"
    // (since '' for always); stretches "start+seconds program"; expected
    // "text seconds [program=seconds ...]" per answer.
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("absences");
    QTest::addColumn<QStringList>("intervals");
    QTest::addColumn<QStringList>("stretches");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("first answer of the day: since recording began")
        << QStringList{"09:10 mail"} << QStringList{} << QStringList{"=30"} << QStringList{"09:00+3600 mua"}
        << QStringList{"mail 600 mua=600"};
    QTest::newRow("at most one interval")
        << QStringList{"10:00 code"} << QStringList{} << QStringList{"=30"} << QStringList{"08:00+7200 ide"}
        << QStringList{"code 1800 ide=1800"};
    QTest::newRow("since the previous answer")
        << QStringList{"09:00 a", "09:20 b"} << QStringList{} << QStringList{"=30"} << QStringList{"08:00+7200 ide"}
        << QStringList{"a 1800 ide=1800", "b 1200 ide=1200"};
    QTest::newRow("the interval in effect at the answer")
        << QStringList{"09:00 a", "11:00 b", "11:30 c"} << QStringList{}
        << QStringList{"=30", "10:00=60", "11:10=15"} << QStringList{"07:00+18000 ide"}
        << QStringList{"a 1800 ide=1800", "b 3600 ide=3600", "c 900 ide=900"};
    QTest::newRow("no stored interval: the fallback")
        << QStringList{"10:00 a"} << QStringList{} << QStringList{} << QStringList{"08:00+7200 ide"}
        << QStringList{"a 2700 ide=2700"};
    QTest::newRow("since the end of an absence")
        << QStringList{"09:00 a", "09:50 b"} << QStringList{"09:05-09:40"} << QStringList{"=60"}
        << QStringList{"08:00+300 ide", "09:40+1200 web"} << QStringList{"a 3600 ide=300", "b 600 web=600"};
    QTest::newRow("an absence before the previous answer changes nothing")
        << QStringList{"09:00 a", "09:30 b"} << QStringList{"08:00-08:30"} << QStringList{"=60"}
        << QStringList{"08:30+3600 ide"} << QStringList{"a 1800 ide=1800", "b 1800 ide=1800"};
    QTest::newRow("programs within the answer's time only")
        << QStringList{"09:20 a"} << QStringList{} << QStringList{"=30"}
        << QStringList{"08:40+1800 x", "09:10+540 y", "09:19+600 x"} << QStringList{"a 1800 x=1260 y=540"};
    QTest::newRow("a stretch crossing midnight counts from midnight")
        << QStringList{"00:20 night"} << QStringList{} << QStringList{"=60"}
        << QStringList{"-23:50+1200 term", "00:12+60 web"} << QStringList{"night 1200 term=600 web=60"};
    QTest::newRow("a day without program time counts from midnight")
        << QStringList{"00:10 early"} << QStringList{} << QStringList{"=30"} << QStringList{}
        << QStringList{"early 600"};
    QTest::newRow("an answer before recording began stands for nothing")
        << QStringList{"07:00 a", "08:10 b"} << QStringList{} << QStringList{"=30"} << QStringList{"08:00+3600 ide"}
        << QStringList{"a 0", "b 600 ide=600"};
    QTest::newRow("two answers in the same second")
        << QStringList{"09:00 a", "09:00 b"} << QStringList{} << QStringList{"=30"} << QStringList{"08:00+7200 ide"}
        << QStringList{"a 1800 ide=1800", "b 0"};
}

void TestJoin::joinRule()
{
    QFETCH(QStringList, answers);
    QFETCH(QStringList, absences);
    QFETCH(QStringList, intervals);
    QFETCH(QStringList, stretches);
    QFETCH(QStringList, expected);
    QList<AnswerJoin::Answer> given;
    for (const QString &answer : answers)
        given.append({at(answer.section(' ', 0, 0)), answer.section(' ', 1)});
    QList<AnswerJoin::Span> away;
    for (const QString &span : absences)
        away.append({at(span.section('-', 0, 0)), at(span.section('-', 1))});
    QList<AnswerJoin::Interval> inEffect;
    for (const QString &interval : intervals) {
        const QString since = interval.section('=', 0, 0);
        inEffect.append({since.isEmpty() ? QDateTime() : at(since), interval.section('=', 1).toInt()});
    }
    QList<AnswerJoin::Stretch> recorded;
    for (const QString &stretch : stretches) {
        const QString head = stretch.section(' ', 0, 0);
        recorded.append({at(head.section('+', 0, 0)), head.section('+', 1).toLongLong(), stretch.section(' ', 1), QString()});
    }
    QStringList got;
    for (const AnswerJoin::Joined &joined : AnswerJoin::joinDay(kDay, given, away, inEffect, 45, recorded)) {
        QString line = QStringLiteral("%1 %2").arg(joined.answer).arg(joined.seconds);
        QList<AnswerJoin::ProgramTime> programs = joined.programs;
        std::sort(programs.begin(), programs.end(), [](const auto &a, const auto &b) { return a.program < b.program; });
        for (const AnswerJoin::ProgramTime &program : programs)
            line += QStringLiteral(" %1=%2").arg(program.program).arg(program.seconds);
        got << line;
    }
    QCOMPARE(got, expected);
}

QTEST_GUILESS_MAIN(TestJoin)
#include "tst_join.moc"

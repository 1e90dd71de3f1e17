// Time away from the computer, on a private log with a staged clock and idle
// time: rows end at the last input, nothing is recorded while away, the
// absence is logged, and the prompt asks about it on return.
#include "logwriter.h"
#include "sampler.h"
#include "testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QTest>

using namespace TestSupport;

namespace {

using Moments = QList<int>;
using Windows = QList<QPair<int, QString>>;
using Rows = QList<QVariantList>;

// A main window whose clock and idle time the test moves: a tick every five
// seconds from 09:00, input at the given seconds, windows in front from the
// given seconds on.
struct Day : Harness
{
    Day() { setClock(); }
    void setClock()
    {
        window->findChild<Sampler *>()->setClock([this] { return now; });
    }
    void runTo(int until)
    {
        for (; second <= until; second += Sampler::TickSeconds) {
            now = begin.addSecs(second);
            int lastInput = 0;
            for (int input : std::as_const(inputs))
                if (input <= second)
                    lastInput = input;
            if (knowsIdle)
                fake.idle = second - lastInput;
            for (const auto &[from, title] : std::as_const(windows))
                if (from <= second)
                    fake.show(QStringLiteral("/usr/bin/editor"), title);
            invoke("OnTimerPrograms");
        }
    }
    void answer(const QString &text)
    {
        widget<QComboBox>("cbWhat")->lineEdit()->setText(text);
        QTest::keyClick(widget<QComboBox>("cbWhat"), Qt::Key_Return);
    }
    QString question() const { return widget<QLabel>("label")->text(); }
    Rows answers() { return log->rows("SELECT ActText, ActDate FROM ActivityLog ORDER BY ROWID"); }

    const QDateTime begin{QDate(2026, 3, 28), QTime(9, 0)};
    QDateTime now = begin;
    int second = 0;
    Moments inputs{0};
    Windows windows{{0, QStringLiteral("notes")}};
    bool knowsIdle = true;
};

QString awayQuestion(QTime from, QTime to, int minutes)
{
    const QLocale locale;
    return QStringLiteral("Away %1–%2 (%3 min) – Quorvel?")
        .arg(locale.toString(from, QLocale::ShortFormat), locale.toString(to, QLocale::ShortFormat))
        .arg(minutes);
}

} // namespace

class TestAway : public QObject
{
    Q_OBJECT

private slots:
    void rowsEndAtTheLastInput_data();
    void rowsEndAtTheLastInput();
    void returnPromptAsksAboutTheAbsence();
    void promptsWaitForTheReturn();
    void aPauseEndsTheAbsence();
    void settingsLiveInTheLog();
};

void TestAway::rowsEndAtTheLastInput_data()
{
    QTest::addColumn<QString>("threshold"); // a menu entry, or empty for the default
    QTest::addColumn<bool>("knowsIdle");
    QTest::addColumn<Moments>("inputs");
    QTest::addColumn<Windows>("windows");
    QTest::addColumn<int>("end");
    QTest::addColumn<Rows>("rows");     // title, start, seconds
    QTest::addColumn<Rows>("absences"); // from, to
    QTest::addColumn<bool>("locked");    // another program holds the log until the end
    const Windows notes{{0, "notes"}};
    QTest::newRow("five minutes, then back") << QString() << true << Moments{0, 100, 700} << notes << 795
        << Rows{{"notes", "09:00:00", 100}, {"notes", "09:11:40", 100}} << Rows{{"09:01:40", "09:11:40"}} << false;
    // A window that came up after the last input was never used: its row goes.
    for (bool locked : {false, true})
        QTest::newRow(locked ? "window changed while away, log held" : "window changed while away")
            << QString() << true << Moments{0, 50, 400} << Windows{{0, "notes"}, {200, "popup"}} << 445
            << Rows{{"notes", "09:00:00", 50}, {"popup", "09:06:40", 50}} << Rows{{"09:00:50", "09:06:40"}} << locked;
    QTest::newRow("three minutes") << "menuAway3min" << true << Moments{0, 10, 250} << notes << 295
        << Rows{{"notes", "09:00:00", 10}, {"notes", "09:04:10", 50}} << Rows{{"09:00:10", "09:04:10"}} << false;
    QTest::newRow("never") << "menuAwayNever" << true << Moments{0} << notes << 595
        << Rows{{"notes", "09:00:00", 600}} << Rows{} << false;
    QTest::newRow("desktop cannot tell") << QString() << false << Moments{0} << notes << 595
        << Rows{{"notes", "09:00:00", 600}} << Rows{} << false;
}

void TestAway::rowsEndAtTheLastInput()
{
    QFETCH(QString, threshold);
    QFETCH(bool, knowsIdle);
    QFETCH(Moments, inputs);
    QFETCH(Windows, windows);
    QFETCH(int, end);
    QFETCH(Rows, rows);
    QFETCH(Rows, absences);
    QFETCH(bool, locked);
    Day d;
    LogFile locker(d.box.logPath());
    if (locked) {
        // What waits is written later, in order, as one.
        QVERIFY(d.window->findChild<LogWriter *>()->configure("PRAGMA busy_timeout=0"));
        QVERIFY(locker.exec("BEGIN EXCLUSIVE"));
    }
    if (!threshold.isEmpty())
        d.action(threshold.toLatin1())->trigger();
    d.knowsIdle = knowsIdle;
    d.fake.idle = knowsIdle ? std::optional<qint64>(0) : std::nullopt;
    d.inputs = inputs;
    d.windows = windows;
    d.runTo(end - Sampler::TickSeconds);
    if (locked)
        QVERIFY(locker.exec("COMMIT"));
    d.runTo(end);
    QCOMPARE(d.log->rows("SELECT AppTitle, time(AppDate), Duration FROM ApplicationLog ORDER BY ROWID"), rows);
    QCOMPARE(d.log->rows("SELECT time(AwayStart), time(AwayEnd) FROM Absences ORDER BY ROWID"), absences);
    // Nothing asked: none of these absences is long enough.
    QVERIFY(!d.window->isVisible());
}

void TestAway::returnPromptAsksAboutTheAbsence()
{
    // Away from 09:01 to 09:21: asked at once on return, the answer dated
    // when the absence began.
    Day d;
    d.inputs = {0, 60, 1260};
    d.runTo(1255);
    QVERIFY(!d.window->isVisible());
    d.runTo(1260);
    QVERIFY(d.window->isVisible());
    QCOMPARE(d.question(), awayQuestion(QTime(9, 1), QTime(9, 21), 20));
    d.answer("lunch");
    QVERIFY(!d.window->isVisible());
    QCOMPARE(d.answers(), Rows({{"lunch", "2026-03-28 09:01:00"}}));
    // The take-back changes that answer, the one confirmed last.
    d.invoke("menuReWrite_Click");
    QCOMPARE(d.question(), QStringLiteral("Quorvel?"));
    d.answer("meeting");
    QCOMPARE(d.answers(), Rows({{"meeting", "2026-03-28 09:01:00"}}));

    // A regular prompt left open becomes the return prompt; closing it
    // stores nothing.
    d.inputs << 1300 << 2300;
    d.runTo(1300);
    d.invoke("OnTimerKESTO");
    QCOMPARE(d.question(), QStringLiteral("Quorvel?"));
    d.runTo(2300);
    QCOMPARE(d.question(), awayQuestion(QTime(9, 21, 40), QTime(9, 38, 20), 17));
    d.window->close();
    QVERIFY(!d.window->isVisible());
    QCOMPARE(d.answers().size(), 1);
    d.invoke("OnTimerKESTO");
    QCOMPARE(d.question(), QStringLiteral("Quorvel?"));
    d.window->close();

    // A take-back open on return is answered first; the question about the
    // absence follows it.
    d.inputs << 2400 << 3400;
    d.runTo(2400);
    d.invoke("menuReWrite_Click");
    d.runTo(3400);
    QCOMPARE(d.question(), QStringLiteral("Quorvel?"));
    d.answer("meeting, then lunch");
    QVERIFY(d.window->isVisible());
    QCOMPARE(d.question(), awayQuestion(QTime(9, 40), QTime(9, 56, 40), 17));
    d.answer("walk");
    QCOMPARE(d.answers(), Rows({{"meeting, then lunch", "2026-03-28 09:01:00"}, {"walk", "2026-03-28 09:40:00"}}));
    QCOMPARE(d.log->value("SELECT COUNT(*) FROM Absences").toInt(), 3);
}

void TestAway::promptsWaitForTheReturn()
{
    // The prompt's time comes while the user is away: nothing shows, the
    // timer goes on, and the prompt comes on return.
    Day d;
    d.inputs = {0, 600};
    d.runTo(400);
    d.invoke("OnTimerKESTO");
    d.invoke("OnTimerKESTO");
    QVERIFY(!d.window->isVisible());
    QVERIFY(d.timer("timerPrompt")->isActive());
    // Ten minutes away are not asked about: the waiting prompt is a regular one.
    d.runTo(600);
    QVERIFY(d.window->isVisible());
    QCOMPARE(d.question(), QStringLiteral("Quorvel?"));
    d.answer("reading");
    QCOMPARE(d.answers(), Rows({{"reading", "2026-03-28 09:10:00"}}));
    // Nothing waited: nothing comes.
    d.inputs << 1200;
    d.runTo(1200);
    QVERIFY(!d.window->isVisible());

    // Not asking about time away: a long absence brings only the prompt that waited.
    d.action("menuAskAway")->trigger();
    d.inputs << 3000;
    d.runTo(1800);
    d.invoke("OnTimerKESTO");
    d.runTo(3000);
    QVERIFY(d.window->isVisible());
    QCOMPARE(d.question(), QStringLiteral("Quorvel?"));
    // Paused prompting asks nothing either.
    d.window->close();
    d.action("menuAskAway")->trigger();
    d.action("menuActive")->trigger();
    d.inputs << 5000;
    d.runTo(5000);
    QVERIFY(!d.window->isVisible());

    // Away when kesto ends: the absence ends there.
    d.runTo(5400);
    QCOMPARE(d.log->value("SELECT COUNT(*) FROM Absences").toInt(), 4);
    QVERIFY(QMetaObject::invokeMethod(qApp, "aboutToQuit"));
    QCOMPARE(d.log->rows("SELECT time(AwayStart), time(AwayEnd) FROM Absences ORDER BY ROWID DESC LIMIT 1"),
             Rows({{"10:23:20", "10:30:00"}}));
}

void TestAway::aPauseEndsTheAbsence()
{
    // Paused while away (kesto --pause from a script): the absence ends where
    // the pause begins, and a return during the pause asks nothing.
    Day d;
    d.inputs = {0, 2400};
    d.runTo(1200);
    d.invoke("OnTimerKESTO");
    QVERIFY(!d.window->isVisible());
    QVERIFY(QMetaObject::invokeMethod(d.window.get(), "commandPause_Request", Q_ARG(QString, "60")));
    QCOMPARE(d.log->rows("SELECT time(AwayStart), time(AwayEnd) FROM Absences"), Rows({{"09:00:00", "09:20:00"}}));
    d.runTo(2400);
    // Long enough for a look at the input that an absence makes every second.
    QTest::qWait(1500);
    QVERIFY(!d.window->isVisible());
    QCOMPARE(d.log->value("SELECT COUNT(*) FROM Absences").toInt(), 1);
}

void TestAway::settingsLiveInTheLog()
{
    Day d;
    QVERIFY(d.action("menuAway5min")->isChecked());
    QVERIFY(d.action("menuAskAway")->isChecked());
    d.action("menuAway15min")->trigger();
    d.action("menuAskAway")->trigger();
    d.restart();
    d.setClock();
    QVERIFY(d.action("menuAway15min")->isChecked());
    QVERIFY(!d.action("menuAway5min")->isChecked());
    QVERIFY(!d.action("menuAskAway")->isChecked());
    // Fifteen minutes it is: fourteen leave the row whole.
    d.inputs = {0};
    d.runTo(14 * 60);
    QCOMPARE(d.log->value("SELECT Duration FROM ApplicationLog").toInt(), 14 * 60 + 5);
    d.runTo(15 * 60);
    QCOMPARE(d.log->value("SELECT COUNT(*) FROM ApplicationLog").toInt(), 0);
    // A stored threshold none of the entries offers marks none of them; a
    // bad one falls back to five minutes.
    QVERIFY(d.log->exec("INSERT OR REPLACE INTO Settings VALUES ('AwayMinutes', 7)"));
    d.restart();
    for (const char *name : {"menuAway3min", "menuAway5min", "menuAway10min", "menuAway15min", "menuAwayNever"})
        QVERIFY(!d.action(name)->isChecked());
    QVERIFY(d.log->exec("INSERT OR REPLACE INTO Settings VALUES ('AwayMinutes', 'soon')"));
    d.restart();
    QVERIFY(d.action("menuAway5min")->isChecked());
}

QTEST_MAIN(TestAway)
#include "tst_away.moc"

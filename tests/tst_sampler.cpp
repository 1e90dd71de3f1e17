// The sampler against the log on disk, with a staged foreground window.
#include "mainwindow.h"
#include "logwriter.h"
#include "promptschedule.h"
#include "sampler.h"
#include "systembackend.h"
#include "testsupport.h"

#include <QFile>
#include <QTest>

using namespace TestSupport;

namespace {

const QString editor = QStringLiteral("/usr/bin/editor");
const QString browser = QStringLiteral("/usr/lib/browser/browser");

struct Rig : Harness
{
    void tick(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            invoke("OnTimerPrograms");
    }
    // (path, title, duration) of every row, oldest first.
    QList<QVariantList> rows()
    {
        return log->rows("SELECT AppFileName, AppTitle, Duration FROM ApplicationLog ORDER BY ROWID");
    }
};

using Ticks = QList<QPair<int, QString>>;

QVariantList row(const QString &path, const QString &title, int duration)
{
    return {path, title, duration};
}

} // namespace

class TestSampler : public QObject
{
    Q_OBJECT

private slots:
    void oneWindowGrowsOneRow();
    void changesStartNewRows();
    void emptyTicksEndTheRow();
    void unreadableWindowsWriteNothing();
    void stretchesEnd_data();
    void stretchesEnd();
    void lateAnswers();
    void withoutAWindow();
    void scheduleKeepsPrompting();
    void failedInsertIsRecoveredByTheNextChange();
    void restartInsertsAgain();
    void longTitlesAreCut();
    void stampsLocalTime();
    void waylandSessionRecordsNothing();
};

void TestSampler::oneWindowGrowsOneRow()
{
    Rig rig;
    rig.fake.show(editor, "notes.txt");
    rig.tick(12);
    QCOMPARE(rig.rows(), QList<QVariantList>({row(editor, "notes.txt", 5 + 55)}));
}

void TestSampler::changesStartNewRows()
{
    Rig rig;
    rig.fake.show(editor, "a.txt");
    rig.tick(2);
    rig.fake.show(editor, "b.txt");
    rig.tick();
    rig.fake.show(editor, "a.txt"); // back to the earlier title: a new row
    rig.tick();
    rig.fake.show(browser, "a.txt"); // same title, other program
    rig.tick();
    rig.fake.show(browser, "A.txt"); // letter case counts
    rig.tick(3);
    rig.fake.show(browser.toUpper(), "A.txt");
    rig.tick();
    QCOMPARE(rig.rows(), QList<QVariantList>({row(editor, "a.txt", 10), row(editor, "b.txt", 5),
                                              row(editor, "a.txt", 5), row(browser, "a.txt", 5),
                                              row(browser, "A.txt", 15), row(browser.toUpper(), "A.txt", 5)}));
}

void TestSampler::emptyTicksEndTheRow()
{
    // A locked screen or nothing in front: the time in between is nobody's.
    Rig rig;
    rig.fake.show(editor, "a.txt");
    rig.tick();
    rig.fake.showNothing();
    rig.tick(3);
    rig.fake.show(editor, "a.txt");
    rig.tick(2);
    QCOMPARE(rig.rows(), QList<QVariantList>({row(editor, "a.txt", 5), row(editor, "a.txt", 10)}));
}

void TestSampler::unreadableWindowsWriteNothing()
{
    Rig rig;
    rig.fake.show(editor, "a.txt");
    rig.tick();
    // A titled window whose executable cannot be read, and an untitled one.
    rig.fake.show(QString(), "secret");
    rig.tick();
    rig.fake.show(browser, QString());
    rig.tick();
    rig.fake.show(editor, "a.txt");
    rig.tick();
    QCOMPARE(rig.rows(), QList<QVariantList>({row(editor, "a.txt", 5), row(editor, "a.txt", 5)}));
}

void TestSampler::stretchesEnd_data()
{
    // Ticks at seconds after the start; an empty title is a tick that finds
    // no window. Rows: title, AppDate, Duration.
    QTest::addColumn<QString>("start");
    QTest::addColumn<Ticks>("ticks");
    QTest::addColumn<QList<QVariantList>>("expected");
    using Rows = QList<QVariantList>;
    QTest::newRow("midnight") << "2026-03-28 23:59:50" << Ticks{{0, "a"}, {5, "a"}, {10, "a"}, {15, "a"}}
                              << Rows{{"a", "2026-03-28 23:59:50", 10}, {"a", "2026-03-29 00:00:00", 10}};
    QTest::newRow("suspend") << "2026-03-28 12:00:00" << Ticks{{0, "a"}, {5, "a"}, {3605, "a"}, {3610, "a"}}
                             << Rows{{"a", "2026-03-28 12:00:00", 10}, {"a", "2026-03-28 13:00:05", 10}};
    QTest::newRow("two intervals late") << "2026-03-28 12:00:00" << Ticks{{0, "a"}, {10, "a"}, {21, "a"}}
                                        << Rows{{"a", "2026-03-28 12:00:00", 10}, {"a", "2026-03-28 12:00:21", 5}};
    QTest::newRow("clock set back") << "2026-03-28 12:00:00" << Ticks{{0, "a"}, {5, "a"}, {-3590, "a"}}
                                    << Rows{{"a", "2026-03-28 12:00:00", 10}, {"a", "2026-03-28 11:00:10", 5}};
    QTest::newRow("nothing in front") << "2026-03-28 12:00:00" << Ticks{{0, "a"}, {5, ""}, {10, "a"}, {15, "b"}}
                                      << Rows{{"a", "2026-03-28 12:00:00", 5}, {"a", "2026-03-28 12:00:10", 5},
                                              {"b", "2026-03-28 12:00:15", 5}};
}

void TestSampler::stretchesEnd()
{
    QFETCH(QString, start);
    QFETCH(Ticks, ticks);
    QFETCH(QList<QVariantList>, expected);
    Rig rig;
    const QDateTime begin = QDateTime::fromString(start, "yyyy-MM-dd HH:mm:ss");
    QDateTime now = begin;
    rig.window->findChild<Sampler *>()->setClock([&now] { return now; });
    for (const auto &[seconds, title] : ticks) {
        now = begin.addSecs(seconds);
        if (title.isEmpty())
            rig.fake.showNothing();
        else
            rig.fake.show(editor, title);
        rig.tick();
    }
    QCOMPARE(rig.log->rows("SELECT AppTitle, AppDate, Duration FROM ApplicationLog ORDER BY ROWID"), expected);
}

void TestSampler::lateAnswers()
{
    // A desktop that answers later: the sample counts for the moment it was
    // asked for, unless a tick has passed or a newer request overtook it.
    struct Deferred : FakeForegroundWindow
    {
        void requestSample(SampleCallback done) override { pending << done; }
        void answer(int i, const QString &title) { pending[i](ForegroundSample{title, editor}); }
        QList<SampleCallback> pending;
    } slow;
    Rig rig;
    setForegroundWindowSource(&slow);
    const QDateTime begin = QDateTime::fromString("2026-03-28 12:00:00", "yyyy-MM-dd HH:mm:ss");
    QDateTime now = begin;
    rig.window->findChild<Sampler *>()->setClock([&now] { return now; });
    rig.tick();
    now = begin.addSecs(3);
    slow.answer(0, "in time"); // booked at 12:00:00
    now = begin.addSecs(5);
    rig.tick();
    rig.tick(); // overtakes the one before
    slow.answer(1, "overtaken");
    now = begin.addSecs(11);
    slow.answer(2, "too late");
    rig.tick();
    slow.answer(3, "in time");
    QCOMPARE(rig.log->rows("SELECT AppTitle, AppDate, Duration FROM ApplicationLog ORDER BY ROWID"),
             QList<QVariantList>({{"in time", "2026-03-28 12:00:00", 5}, {"in time", "2026-03-28 12:00:11", 5}}));
}

void TestSampler::failedInsertIsRecoveredByTheNextChange()
{
    Rig rig;
    rig.fake.show(editor, "a.txt");
    rig.tick();
    QVERIFY(rig.log->exec("ALTER TABLE ApplicationLog RENAME TO Parked"));
    rig.fake.show(editor, "b.txt");
    rig.tick(2); // both fail: no table
    QVERIFY(rig.log->exec("ALTER TABLE Parked RENAME TO ApplicationLog"));
    // The stretch gets its row at the next tick, with the time it was owed,
    // and goes on growing; nothing is remembered as row 0.
    rig.tick(3);
    QCOMPARE(rig.rows(), QList<QVariantList>({row(editor, "a.txt", 5), row(editor, "b.txt", 25)}));
    rig.fake.show(editor, "c.txt");
    rig.tick(2);
    QCOMPARE(rig.rows(),
             QList<QVariantList>({row(editor, "a.txt", 5), row(editor, "b.txt", 25), row(editor, "c.txt", 10)}));
    // Dated when the stretch began, not when the log took it.
    QVERIFY(rig.log->value("SELECT COUNT(*) FROM ApplicationLog WHERE AppTitle = 'b.txt' AND AppDate <= "
                           "datetime('now', 'localtime')").toInt() == 1);
}

void TestSampler::restartInsertsAgain()
{
    Rig rig;
    rig.fake.show(editor, "a.txt");
    rig.tick(2);
    rig.restart();
    rig.tick(2);
    QCOMPARE(rig.rows(), QList<QVariantList>({row(editor, "a.txt", 10), row(editor, "a.txt", 10)}));
}

void TestSampler::longTitlesAreCut()
{
    Rig rig;
    const QString title = QString(2000, QLatin1Char('t'));
    rig.fake.show(editor, truncateForLog(title));
    rig.tick(2);
    const auto rows = rig.rows();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0][1].toString(), title.left(1023));
    QCOMPARE(rows[0][2].toInt(), 10);

    // A cut never leaves half of a surrogate pair behind.
    const QString emoji = QString(1022, QLatin1Char('x')) + QString::fromUtf8("\xF0\x9F\x98\x80") + "tail";
    QCOMPARE(truncateForLog(emoji), QString(1022, QLatin1Char('x')));
    const QString fits = QString(1021, QLatin1Char('x')) + QString::fromUtf8("\xF0\x9F\x98\x80");
    QCOMPARE(truncateForLog(fits), fits);
}

void TestSampler::stampsLocalTime()
{
    Rig rig;
    rig.fake.show(editor, "a.txt");
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    rig.tick();
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);
    const QDateTime stamped =
        QDateTime::fromString(rig.log->value("SELECT AppDate FROM ApplicationLog").toString(), "yyyy-MM-dd HH:mm:ss");
    QVERIFY(stamped.isValid());
    QVERIFY(before <= stamped && stamped <= after);
}

void TestSampler::waylandSessionRecordsNothing()
{
    // A Wayland session whose compositor cannot be asked: nothing, and the
    // reason says what is missing. X11 is not asked even where it answers.
    qputenv("WAYLAND_DISPLAY", "wayland-kesto-none");
    std::unique_ptr<ForegroundWindowSource> source(createSystemForegroundWindowSource());
    qunsetenv("WAYLAND_DISPLAY");
    QVERIFY(!source->isAvailable());
    QVERIFY(!source->sample());
    QVERIFY2(source->unavailableReason().contains("WAYLAND_DISPLAY"), qPrintable(source->unavailableReason()));
}

void TestSampler::withoutAWindow()
{
    // The sampler and its writer alone, as a tool or a test would use them.
    Sandbox box;
    box.copyTemplate();
    QVERIFY(QFile::copy(box.work() + "/template.db", box.logPath()));
    FakeForegroundWindow fake;
    {
        LogWriter writer(box.logPath());
        Sampler sampler(&writer);
        fake.show(editor, "alone");
        for (int i = 0; i < 3; ++i)
            sampler.tick();
        sampler.endStretch();
        sampler.tick();
    }
    LogFile log(box.logPath());
    QCOMPARE(log.rows("SELECT AppTitle, Duration FROM ApplicationLog ORDER BY ROWID"),
             QList<QVariantList>({{"alone", 15}, {"alone", 5}}));
}

void TestSampler::scheduleKeepsPrompting()
{
    // Whatever happens to the prompt, while prompting is active and the
    // prompt is hidden the timer runs; a take-back leaves a running one be.
    QTimer timer;
    PromptSchedule schedule(&timer, 30);
    QVERIFY(timer.isActive());
    QCOMPARE(timer.interval(), 30 * 60000);
    schedule.promptOpened();
    QVERIFY(!timer.isActive());
    QVERIFY(!schedule.promptClosed());
    QVERIFY(timer.isActive());

    schedule.requestRewrite();
    schedule.promptOpened();
    QVERIFY(timer.isActive());
    QVERIFY(schedule.promptClosed());
    QVERIFY(!schedule.reWriteMode());

    schedule.setActive(false);
    QVERIFY(!timer.isActive());
    schedule.promptOpened();
    schedule.promptClosed();
    QVERIFY(!timer.isActive()); // paused stays paused
    schedule.setQueryMinutes(60);
    QVERIFY(!timer.isActive());
    schedule.setActive(true);
    QCOMPARE(timer.interval(), 60 * 60000);
    // An interval too long for the timer waits as long as it can.
    schedule.setQueryMinutes(100000);
    QVERIFY(timer.interval() > 0);
}

QTEST_MAIN(TestSampler)
#include "tst_sampler.moc"

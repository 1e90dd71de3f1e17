// A pause: nothing recorded and no prompt until it ends, on time, whether
// kesto ran all along or was started again meanwhile.
#include "recordcontrol.h"
#include "sampler.h"
#include "testsupport.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>

using namespace TestSupport;

namespace {

struct Rig : Harness
{
    QDateTime now = QDateTime(QDate(2026, 3, 10), QTime(14, 0));
    Rig() { useFakeClock(); }
    void useFakeClock() { window->findChild<Sampler *>()->setClock([this] { return now; }); }
    RecordControl *control() const { return window->findChild<RecordControl *>(); }
    QSystemTrayIcon *tray() const { return window->findChild<QSystemTrayIcon *>(); }
    QAction *entry(const char *name) const
    {
        QMenu *menu = window->findChild<QMenu *>("menuPause");
        return menu ? menu->findChild<QAction *>(QLatin1String(name)) : nullptr;
    }
    void tickAt(const QDateTime &at)
    {
        now = at;
        invoke("OnTimerPrograms");
    }
    int recorded() { return log->value("SELECT TOTAL(Duration) FROM ApplicationLog").toInt(); }
    QString stored() { return log->value("SELECT Value FROM Settings WHERE Name = 'PausedUntil'").toString(); }
    bool prompting() const { return timer("timerPrompt")->isActive(); }
};

} // namespace

class TestPause : public QObject
{
    Q_OBJECT

private slots:
    void pauseEndsOnTime_data();
    void pauseEndsOnTime();
    void pauseSurvivesRestart();
    void promptsWaitForThePause();
};

void TestPause::pauseEndsOnTime_data()
{
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QDateTime>("end");
    const QDate day(2026, 3, 10);
    QTest::newRow("15 minutes") << "menuPause15min" << QDateTime(day, QTime(14, 15));
    QTest::newRow("1 hour") << "menuPause60min" << QDateTime(day, QTime(15, 0));
    QTest::newRow("until tomorrow") << "menuPauseTomorrow" << QDateTime(day.addDays(1), QTime(0, 0));
    QTest::newRow("kesto --pause 90") << "90" << QDateTime(day, QTime(15, 30));
}

void TestPause::pauseEndsOnTime()
{
    QFETCH(QString, choice);
    QFETCH(QDateTime, end);
    Rig rig;
    rig.fake.show("/usr/bin/editor", "notes.txt");
    const QIcon working = rig.tray()->icon();
    rig.tickAt(rig.now);
    QCOMPARE(rig.recorded(), 5);
    if (QAction *entry = rig.entry(qPrintable(choice)))
        entry->trigger();
    else
        QMetaObject::invokeMethod(rig.window.get(), "commandPause_Request", Q_ARG(QString, choice));

    QVERIFY(rig.control()->isPaused());
    QCOMPARE(rig.control()->pausedUntil(), end);
    QCOMPARE(rig.stored(), end.toString("yyyy-MM-dd HH:mm:ss"));
    QVERIFY(!rig.prompting());
    QVERIFY(rig.entry("menuResume")->isEnabled());
    QVERIFY(rig.tray()->icon().cacheKey() != working.cacheKey());
    QVERIFY2(rig.tray()->toolTip().startsWith("Quorvel?\nRecording paused until "), qPrintable(rig.tray()->toolTip()));
    for (const QDateTime &at : {rig.now.addSecs(5), end.addSecs(-1)})
        rig.tickAt(at);
    QCOMPARE(rig.recorded(), 5);

    rig.tickAt(end);
    QVERIFY(!rig.control()->isPaused());
    QCOMPARE(rig.recorded(), 10);
    QVERIFY(rig.prompting());
    QCOMPARE(rig.timer("timerPrompt")->remainingTime() > 29 * 60000, true);
    QCOMPARE(rig.stored(), QString());
    QCOMPARE(rig.tray()->toolTip(), QStringLiteral("Quorvel?"));
    QCOMPARE(rig.tray()->icon().cacheKey(), working.cacheKey());
    QVERIFY(!rig.entry("menuResume")->isEnabled());
}

void TestPause::pauseSurvivesRestart()
{
    Rig rig;
    rig.fake.show("/usr/bin/editor", "notes.txt");
    // Until resumed: through a restart, until Resume, which also outlasts one.
    rig.entry("menuPauseUntilResumed")->trigger();
    QCOMPARE(rig.stored(), QStringLiteral("until-resumed"));
    rig.restart();
    QVERIFY(rig.control()->isPaused());
    QVERIFY(!rig.control()->pausedUntil().isValid());
    QVERIFY(!rig.prompting());
    rig.invoke("OnTimerPrograms");
    QCOMPARE(rig.recorded(), 0);
    QVERIFY2(rig.tray()->toolTip().endsWith("Recording paused until you resume it"), qPrintable(rig.tray()->toolTip()));
    rig.invoke("menuResume_Click");
    rig.restart();
    QVERIFY(!rig.control()->isPaused());
    QVERIFY(rig.prompting());

    // An hour: still on after a restart, and over when its time comes.
    rig.control()->pauseFor(60);
    const QDateTime end = rig.control()->pausedUntil();
    rig.restart();
    QVERIFY(rig.control()->isPaused());
    QCOMPARE(rig.control()->pausedUntil(), end);
    rig.useFakeClock();
    rig.tickAt(end.addSecs(-5));
    QCOMPARE(rig.recorded(), 0);
    rig.tickAt(end);
    QVERIFY(!rig.control()->isPaused());
    QCOMPARE(rig.recorded(), 5);

    // One that ended while kesto was not running is over, and forgotten.
    QVERIFY(rig.log->exec("INSERT OR REPLACE INTO Settings VALUES ('PausedUntil', '2000-01-01 00:00:00')"));
    rig.restart();
    QVERIFY(!rig.control()->isPaused());
    QCOMPARE(rig.stored(), QString());
}

void TestPause::promptsWaitForThePause()
{
    Rig rig;
    rig.control()->pauseFor(15);
    QVERIFY(!rig.prompting());
    // Neither Active nor a new interval brings the prompt back.
    rig.action("menuActive")->trigger();
    rig.action("menuActive")->trigger();
    rig.action("menuFreq60min")->trigger();
    QVERIFY(!rig.prompting());
    // Asked for, it comes; answered, the timer still waits for the pause.
    rig.invoke("OnTimerKESTO");
    QVERIFY(rig.window->isVisible());
    rig.window->close();
    QVERIFY(!rig.window->isVisible());
    QVERIFY(!rig.prompting());
    rig.invoke("menuResume_Click");
    QVERIFY(rig.prompting());
    QCOMPARE(rig.timer("timerPrompt")->interval(), 60 * 60000);
}

QTEST_MAIN(TestPause)
#include "tst_pause.moc"

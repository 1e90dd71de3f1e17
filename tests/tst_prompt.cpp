// The prompt's states, its answer list and Save, and the prompt schedule.
#include "sampler.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <ctime>

using namespace TestSupport;

namespace {

struct Prompt : Harness
{
    using Harness::Harness;
    QComboBox *combo() const { return widget<QComboBox>("cbWhat"); }
    QPushButton *save() const { return widget<QPushButton>("cmdSave"); }
    QTimer *promptTimer() const { return timer("timerPrompt"); }
    void timerFires() { invoke("OnTimerKESTO"); }
    void takeItBack() { invoke("menuReWrite_Click"); }
    // Keys go to the combo box, which has the focus and hands them to its line edit.
    void type(const QString &text)
    {
        combo()->lineEdit()->clear();
        QTest::keyClicks(combo(), text);
    }
    void pressEnter() { QTest::keyClick(combo(), Qt::Key_Return); }
    void answer(const QString &text)
    {
        type(text);
        pressEnter();
    }
    QStringList listed() const
    {
        QStringList items;
        for (int i = 0; i < combo()->count(); ++i)
            items << combo()->itemText(i);
        return items;
    }
    QStringList answers()
    {
        QStringList texts;
        for (const auto &row : log->rows("SELECT ActText FROM ActivityLog ORDER BY ActDate, ROWID"))
            texts << row[0].toString();
        return texts;
    }
    void addAnswer(const QString &text, const QString &date)
    {
        QVERIFY(log->exec("INSERT INTO ActivityLog (ActText, ActDate) VALUES (?, ?)", {text, date}));
    }
    bool waiting() const { return !window->isVisible() && promptTimer()->isActive(); }
};

const int halfHour = 30 * 60000;

} // namespace

class TestPrompt : public QObject
{
    Q_OBJECT

private slots:
    void regularPromptSaved();
    void regularPromptFailsToSave();
    void rewriteSaved();
    void rewriteFailsToSave();
    void takeItBackWhilePromptIsOpen();
    void timerFiresWhilePromptIsOpen();
    void recentAnswers_data();
    void recentAnswers();
    void saveEnabling();
    void rewriteOfEmptyLog();
    void takeBackChangesTheAnswerConfirmedLast_data();
    void takeBackChangesTheAnswerConfirmedLast();
    void closingThePromptDismissesIt();
    void savedWhilePausedStaysPaused();
    void choosingAFrequency();
    void choosingWhilePaused();
    void storedIntervalOutsideTheMenu();
    void activeOffAndOn();
};

void TestPrompt::regularPromptSaved()
{
    Prompt p;
    QVERIFY(p.waiting());
    p.timerFires();
    QVERIFY(p.window->isVisible());
    QVERIFY(!p.promptTimer()->isActive());
    QVERIFY(p.combo()->lineEdit()->text().isEmpty());
    QVERIFY(!p.save()->isEnabled());
    QCOMPARE(p.window->focusWidget(), static_cast<QWidget *>(p.combo()));

    p.answer("Reading mail");
    QVERIFY(p.waiting());
    QCOMPARE(p.promptTimer()->interval(), halfHour);
    QCOMPARE(p.answers(), QStringList{"Reading mail"});
}

void TestPrompt::regularPromptFailsToSave()
{
    Prompt p;
    p.timerFires();
    QVERIFY(p.log->exec("ALTER TABLE ActivityLog RENAME TO Parked"));
    MessageBoxCloser closer;
    const QString pressed = p.log->value("SELECT datetime('now', 'localtime')").toString();
    p.answer("Kept");
    QCOMPARE(closer.seen.size(), 1);
    QCOMPARE(closer.seen[0].title, QStringLiteral("Error"));
    const QString prefix = "An error occourred while writing to the database: ";
    QVERIFY(closer.seen[0].text.startsWith(prefix));
    QVERIFY2(closer.seen[0].text.contains("ActivityLog"), qPrintable(closer.seen[0].text));
    // Prompting goes on, and the answer waits for the log.
    QVERIFY(p.waiting());
    QTest::qWait(1100);
    p.invoke("OnTimerPrograms");
    QCOMPARE(closer.seen.size(), 1); // once per failure, not per retry
    QVERIFY(p.log->exec("ALTER TABLE Parked RENAME TO ActivityLog"));
    p.invoke("OnTimerPrograms");
    QCOMPARE(p.answers(), QStringList{"Kept"});
    QCOMPARE(p.log->value("SELECT ActDate FROM ActivityLog").toString(), pressed);
}
void TestPrompt::rewriteSaved()
{
    Prompt p;
    p.addAnswer("first", "2026-01-01 09:00:00");
    p.addAnswer("typo", "2026-01-01 10:00:00");
    p.takeItBack();
    QVERIFY(p.window->isVisible());
    QVERIFY(p.promptTimer()->isActive());
    p.answer("fixed");
    QVERIFY(p.waiting());
    QCOMPARE(p.answers(), QStringList({"first", "fixed"}));
    QCOMPARE(p.log->value("SELECT ActDate FROM ActivityLog WHERE ActText = 'fixed'").toString(),
             QStringLiteral("2026-01-01 10:00:00"));
    // The mode ends with that save: the next prompt adds an answer.
    p.timerFires();
    p.answer("new");
    QCOMPARE(p.answers().size(), 3);
}

void TestPrompt::rewriteFailsToSave()
{
    Prompt p;
    p.addAnswer("typo", "2026-01-01 10:00:00");
    p.takeItBack();
    QVERIFY(p.log->exec("ALTER TABLE ActivityLog RENAME TO Parked"));
    {
        MessageBoxCloser closer;
        p.answer("fixed");
        QCOMPARE(closer.seen.size(), 1);
    }
    QVERIFY(p.waiting());
    QVERIFY(p.log->exec("ALTER TABLE Parked RENAME TO ActivityLog"));
    p.invoke("OnTimerPrograms");
    QCOMPARE(p.answers(), QStringList{"fixed"});
    // Rewrite mode ended with its prompt: the next one adds an answer.
    p.timerFires();
    p.answer("new");
    QCOMPARE(p.answers(), QStringList({"fixed", "new"}));
}
void TestPrompt::takeItBackWhilePromptIsOpen()
{
    Prompt p;
    p.addAnswer("typo", "2026-01-01 10:00:00");
    p.timerFires();
    p.type("half typed");
    p.takeItBack();
    // Nothing reloads: the open prompt simply becomes a rewrite.
    QCOMPARE(p.combo()->lineEdit()->text(), QStringLiteral("half typed"));
    p.answer("fixed");
    QCOMPARE(p.answers(), QStringList{"fixed"});
    // The regular prompt had stopped the timer; prompting goes on.
    QVERIFY(p.waiting());
    QCOMPARE(p.promptTimer()->interval(), halfHour);
}
void TestPrompt::timerFiresWhilePromptIsOpen()
{
    Prompt p;
    p.addAnswer("old", "2026-01-01 10:00:00");
    p.timerFires();
    p.type("typing");
    p.addAnswer("newer", "2026-01-02 10:00:00");
    p.timerFires();
    QCOMPARE(p.listed(), QStringList{"old"});
    QCOMPARE(p.combo()->lineEdit()->text(), QStringLiteral("typing"));
    QVERIFY(p.window->isVisible());
}

void TestPrompt::recentAnswers_data()
{
    QTest::addColumn<QStringList>("stored"); // oldest first, one minute apart
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("none") << QStringList() << QStringList();
    QTest::newRow("fewer than ten") << QStringList{"a", "b", "c"} << QStringList{"c", "b", "a"};
    QStringList many;
    for (int i = 0; i < 15; ++i)
        many << QString("answer %1").arg(i);
    QStringList latestTen;
    for (int i = 14; i >= 5; --i)
        latestTen << QString("answer %1").arg(i);
    QTest::newRow("more than ten") << many << latestTen;
    QTest::newRow("duplicates once, case differs") << QStringList{"Mail", "mail", "Mail", "code"}
                                                   << QStringList{"code", "Mail", "mail"};
    // Each text by its latest use, also on logs made without the date index.
    QStringList tasks{"Email"};
    for (int i = 1; i <= 12; ++i)
        tasks << QString("task %1").arg(i);
    tasks << "Email";
    QStringList newest{"Email"};
    for (int i = 12; i >= 4; --i)
        newest << QString("task %1").arg(i);
    QTest::newRow("latest use first") << tasks << newest;
}

void TestPrompt::recentAnswers()
{
    QFETCH(QStringList, stored);
    QFETCH(QStringList, listed);
    Prompt p([](LogFile &t) { t.exec("DROP INDEX ActivityLogByDate"); });
    for (int i = 0; i < stored.size(); ++i)
        p.addAnswer(stored[i], QString("2026-03-01 10:%1:00").arg(i, 2, 10, QLatin1Char('0')));
    p.timerFires();
    QCOMPARE(p.listed(), listed);
    QVERIFY(p.combo()->lineEdit()->text().isEmpty());
    QVERIFY(!p.save()->isEnabled());
}

void TestPrompt::saveEnabling()
{
    Prompt p;
    p.addAnswer("Writing", "2026-03-01 10:00:00");
    p.timerFires();
    // Enter in an empty field saves nothing and the prompt stays.
    p.pressEnter();
    QVERIFY(p.window->isVisible());
    QCOMPARE(p.answers(), QStringList{"Writing"});

    p.combo()->setCurrentIndex(-1);
    p.combo()->setCurrentIndex(0);
    QVERIFY(p.save()->isEnabled());
    QCOMPARE(p.combo()->lineEdit()->text(), QStringLiteral("Writing"));
    p.combo()->lineEdit()->clear();
    QVERIFY(!p.save()->isEnabled());

    p.type("   ");
    QVERIFY(p.save()->isEnabled());
    QTest::mouseClick(p.save(), Qt::LeftButton);
    QCOMPARE(p.answers(), QStringList({"Writing", "   "}));
    QVERIFY(!p.window->isVisible());
}

void TestPrompt::rewriteOfEmptyLog()
{
    Prompt p;
    p.takeItBack();
    MessageBoxCloser closer;
    p.answer("first answer");
    QVERIFY(closer.seen.isEmpty());
    // Nothing to take back: the answer is stored, not dropped.
    QCOMPARE(p.answers(), QStringList{"first answer"});
    p.timerFires();
    p.answer("added");
    QCOMPARE(p.answers(), QStringList({"first answer", "added"}));
}
void TestPrompt::takeBackChangesTheAnswerConfirmedLast_data()
{
    // Two answers, given at these moments (UTC), on the night the clocks go
    // back in Berlin; then "I take it back!".
    QTest::addColumn<qint64>("first");
    QTest::addColumn<qint64>("second");
    QTest::addColumn<bool>("restart");
    QTest::addColumn<QStringList>("dates");
    const qint64 summer = QDateTime(QDate(2026, 10, 25), QTime(0, 50), Qt::UTC).toSecsSinceEpoch();
    const qint64 winter = summer + 20 * 60; // 02:10 again, an hour after 02:50
    QTest::newRow("clocks went back") << summer << winter << false
                                      << QStringList{"2026-10-25 02:50:00", "2026-10-25 02:10:00"};
    QTest::newRow("same second") << summer << summer << false
                                 << QStringList{"2026-10-25 02:50:00", "2026-10-25 02:50:00"};
    QTest::newRow("clocks went back, kesto restarted")
        << summer << winter << true << QStringList{"2026-10-25 02:50:00", "2026-10-25 02:10:00"};
}

void TestPrompt::takeBackChangesTheAnswerConfirmedLast()
{
    QFETCH(qint64, first);
    QFETCH(qint64, second);
    QFETCH(bool, restart);
    QFETCH(QStringList, dates);
    const QByteArray oldTz = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    {
        Prompt p;
        qint64 at = first;
        const auto setClock = [&] {
            p.window->findChild<Sampler *>()->setClock([&at] { return QDateTime::fromSecsSinceEpoch(at); });
        };
        setClock();
        p.timerFires();
        p.answer("one");
        at = second;
        p.timerFires();
        p.answer("two");
        if (restart) {
            p.restart();
            setClock();
        }
        p.takeItBack();
        p.answer("fixed");
        QList<QVariantList> expected;
        expected << QVariantList{"one", dates[0]} << QVariantList{"fixed", dates[1]};
        QCOMPARE(p.log->rows("SELECT ActText, ActDate FROM ActivityLog ORDER BY ROWID"), expected);
    }
    qputenv("TZ", oldTz);
    if (oldTz.isEmpty())
        qunsetenv("TZ");
    tzset();
}

void TestPrompt::closingThePromptDismissesIt()
{
    // The title bar's close button or Alt+F4, on a regular prompt and on a
    // take-back: nothing stored, the interval counts again, kesto goes on.
    Prompt p;
    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
    for (const bool takeBack : {false, true}) {
        p.addAnswer("kept", "2026-01-01 10:00:00");
        if (takeBack)
            p.takeItBack();
        else
            p.timerFires();
        p.type("typed, then closed");
        QVERIFY(p.window->isVisible());
        QCloseEvent close;
        QApplication::sendEvent(p.window.get(), &close);
        QVERIFY(!p.window->isVisible());
        QVERIFY(p.waiting());
        QCOMPARE(p.answers().count("typed, then closed"), 0);
        QCOMPARE(p.answers().count("kept"), takeBack ? 2 : 1);
    }
    // The mode went with the closed prompt: the next answer is a new one.
    p.timerFires();
    p.answer("new");
    QCOMPARE(p.answers().count("new"), 1);
    QCOMPARE(p.answers().count("kept"), 2);
    QTest::qWait(50);
    QCOMPARE(quitting.count(), 0);
}

void TestPrompt::savedWhilePausedStaysPaused()
{
    Prompt p;
    p.timerFires();
    p.action("menuActive")->trigger();
    QVERIFY(!p.action("menuActive")->isChecked());
    p.answer("done");
    QCOMPARE(p.answers(), QStringList{"done"});
    QVERIFY(!p.promptTimer()->isActive());
}

void TestPrompt::choosingAFrequency()
{
    Prompt p;
    p.action("menuFreq60min")->trigger();
    QCOMPARE(p.log->value("SELECT QueryMinutes FROM Options").toInt(), 60);
    QVERIFY(p.promptTimer()->isActive());
    QCOMPARE(p.promptTimer()->interval(), 3600000);
    for (const char *name : {"menuFreq15min", "menuFreq30min", "menuFreq90min", "menuFreq120min"})
        QVERIFY(!p.action(name)->isChecked());
    QVERIFY(p.action("menuFreq60min")->isChecked());

    // The marked entry chosen again stays marked and counts from now.
    QTest::qWait(30);
    p.action("menuFreq60min")->trigger();
    QVERIFY(p.action("menuFreq60min")->isChecked());
    QVERIFY(p.promptTimer()->remainingTime() > 3600000 * 0.94);

    p.restart();
    QCOMPARE(p.promptTimer()->interval(), 3600000);
    QVERIFY(p.action("menuFreq60min")->isChecked());
    QVERIFY(!p.action("menuFreq30min")->isChecked());
}

void TestPrompt::choosingWhilePaused()
{
    Prompt p;
    p.action("menuActive")->trigger();
    QVERIFY(!p.promptTimer()->isActive());
    p.action("menuFreq15min")->trigger();
    QVERIFY(!p.promptTimer()->isActive());
    QVERIFY(p.action("menuFreq15min")->isChecked());
    QCOMPARE(p.log->value("SELECT QueryMinutes FROM Options").toInt(), 15);
    p.action("menuActive")->trigger();
    QVERIFY(p.promptTimer()->isActive());
    QCOMPARE(p.promptTimer()->interval(), 15 * 60000);
}

void TestPrompt::storedIntervalOutsideTheMenu()
{
    {
        // The timer refuses negative intervals; such a value means 30 minutes.
        Prompt negative([](LogFile &t) { t.exec("UPDATE Options SET QueryMinutes = -5"); });
        QVERIFY(negative.promptTimer()->isActive());
        QCOMPARE(negative.promptTimer()->interval(), halfHour);
        QVERIFY(negative.action("menuFreq30min")->isChecked());
    }
    Prompt p([](LogFile &t) { t.exec("UPDATE Options SET QueryMinutes = 45"); });
    QCOMPARE(p.promptTimer()->interval(), 45 * 60000);
    for (const char *name : {"menuFreq15min", "menuFreq30min", "menuFreq60min", "menuFreq90min", "menuFreq120min"})
        QVERIFY(!p.action(name)->isChecked());
    p.action("menuFreq90min")->trigger();
    QVERIFY(p.action("menuFreq90min")->isChecked());
    QCOMPARE(p.promptTimer()->interval(), 90 * 60000);
}

void TestPrompt::activeOffAndOn()
{
    Prompt p;
    QTest::qWait(50);
    p.action("menuActive")->trigger();
    QVERIFY(!p.promptTimer()->isActive());
    p.action("menuActive")->trigger();
    QVERIFY(p.promptTimer()->isActive());
    // Coarse timers may fire up to 5% early; without the restart far less would be left.
    QVERIFY(p.promptTimer()->remainingTime() > halfHour * 0.94);
    // Nothing about pausing is stored.
    QCOMPARE(p.log->value("SELECT QueryMinutes FROM Options").toInt(), 30);
}

QTEST_MAIN(TestPrompt)
#include "tst_prompt.moc"

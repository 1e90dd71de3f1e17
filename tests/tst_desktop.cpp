// The real kesto on a real X desktop (Xvfb with icewm): tray, sampler, prompt.
#include "desktoptools.h"
#include "testsupport.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <csignal>
#include <QDir>
#include <sys/stat.h>
#include <unistd.h>
#include <QDeadlineTimer>
#include <functional>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

using namespace TestSupport;
using namespace DesktopTools;

class TestDesktop : public QObject
{
    Q_OBJECT

private slots:
    void startsInTheTrayOnly();
    void logsTheWindowsInFront();
    void promptTakesTypedAnswers();
    void secondStartLeavesTheFirstAlone();
    void quitWithADialogOpen_data();
    void quitWithADialogOpen();
    void readOnlyLog();
};

void TestDesktop::startsInTheTrayOnly()
{
    Sandbox box;
    box.copyTemplate();
    Child kesto(binDir() + "/kesto", {}, box.work(), kestoEnv(box));
    QVERIFY(waitFor([] { return kestoIconInTray(); }, 15000));
    QVERIFY(QFile::exists(box.logPath()));
    QCOMPARE(mapState("Quorvel?"), QStringLiteral("IsUnMapped"));
    QVERIFY(run("xdotool", {"search", "--onlyvisible", "--name", "Quorvel"}).trimmed().isEmpty());
    QCOMPARE(kesto.process().state(), QProcess::Running);
}

void TestDesktop::logsTheWindowsInFront()
{
    Sandbox box;
    box.copyTemplate();
    Child alpha("xterm", {"-T", "Alpha window", "-e", "sleep", "300"});
    Child beta("xterm", {"-T", "Beta window", "-e", "sleep", "300"});
    const QString alphaId = waitForWindow("Alpha window");
    const QString betaId = waitForWindow("Beta window");
    QVERIFY(!alphaId.isEmpty() && !betaId.isEmpty());
    QVERIFY(bringToFront(alphaId));

    const QDateTime started = QDateTime::currentDateTime();
    Child kesto(binDir() + "/kesto", {}, box.work(), kestoEnv(box));
    QTest::qWait(15500);
    QVERIFY(bringToFront(betaId));
    QTest::qWait(15500);
    kesto.process().kill();
    kesto.process().waitForFinished();

    LogFile log(box.logPath());
    const auto rows = log.rows("SELECT AppFileName, AppTitle, AppDate, Duration FROM ApplicationLog ORDER BY ROWID");
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0][0].toString(), QStringLiteral("/usr/bin/xterm"));
    QCOMPARE(rows[0][1].toString(), QStringLiteral("Alpha window"));
    QCOMPARE(rows[1][0].toString(), QStringLiteral("/usr/bin/xterm"));
    QCOMPARE(rows[1][1].toString(), QStringLiteral("Beta window"));
    for (const auto &row : rows) {
        // Three ticks in about fifteen seconds: 5 + 5 + 5.
        QVERIFY2(row[3].toInt() >= 10 && row[3].toInt() <= 20, qPrintable(row[3].toString()));
        const QDateTime at = QDateTime::fromString(row[2].toString(), "yyyy-MM-dd HH:mm:ss");
        QVERIFY(at.isValid());
        QVERIFY(qAbs(at.secsTo(started)) <= 40);
    }
    QVERIFY(QDateTime::fromString(rows[0][2].toString(), "yyyy-MM-dd HH:mm:ss")
            < QDateTime::fromString(rows[1][2].toString(), "yyyy-MM-dd HH:mm:ss"));
}

void TestDesktop::promptTakesTypedAnswers()
{
    Sandbox box;
    box.copyTemplate();
    {
        LogFile t(box.work() + "/template.db");
        QVERIFY(t.exec("UPDATE Options SET QueryMinutes = 0"));
    }
    Child kesto(binDir() + "/kesto", {}, box.work(), kestoEnv(box));
    const QString prompt = waitForWindow("Quorvel?", 15000);
    QVERIFY(!prompt.isEmpty());

    // Full screen and above the rest.
    QVERIFY(waitFor([&] { return run("xdotool", {"getwindowgeometry", prompt}).contains("1280x800"); }, 5000));
    const QString state = run("xprop", {"-id", prompt, "_NET_WM_STATE"});
    QVERIFY2(state.contains("_NET_WM_STATE_FULLSCREEN"), qPrintable(state));
    QVERIFY2(state.contains("_NET_WM_STATE_ABOVE"), qPrintable(state));
    // The keyboard is in the answer field: the user just types.
    QVERIFY(waitFor([&] { return run("xdotool", {"getactivewindow"}).trimmed() == prompt; }, 5000));

    // Watch the prompt's window for being hidden after the save.
    QProcess watcher;
    watcher.start("stdbuf", {"-oL", "xev", "-id", prompt, "-event", "structure"});
    QVERIFY(watcher.waitForStarted());
    QTest::qWait(200);

    LogFile log(box.logPath());
    run("xdotool", {"type", "--delay", "20", "Writing tests, \"quoted\""});
    run("xdotool", {"key", "Return"});
    QVERIFY(waitFor([&] { return log.value("SELECT COUNT(*) FROM ActivityLog").toInt() == 1; }, 5000));
    QString events;
    QVERIFY(waitFor(
        [&] {
            watcher.waitForReadyRead(50);
            events += QString::fromUtf8(watcher.readAllStandardOutput());
            return events.contains("UnmapNotify");
        },
        5000));
    watcher.terminate();
    watcher.waitForFinished();

    const auto rows = log.rows("SELECT ActText, ActDate FROM ActivityLog ORDER BY ROWID");
    QCOMPARE(rows[0][0].toString(), QStringLiteral("Writing tests, \"quoted\""));
    const QRegularExpression stamp("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$");
    QVERIFY2(stamp.match(rows[0][1].toString()).hasMatch(), qPrintable(rows[0][1].toString()));
    QCOMPARE(kesto.process().state(), QProcess::Running);
}

void TestDesktop::secondStartLeavesTheFirstAlone()
{
    Sandbox box;
    box.copyTemplate();
    Child term("xterm", {"-T", "Counted once", "-e", "sleep", "300"});
    const QString termId = waitForWindow("Counted once");
    QVERIFY(bringToFront(termId));
    auto first = std::make_unique<Child>(binDir() + "/kesto", QStringList{}, box.work(), kestoEnv(box));
    QVERIFY(waitFor([] { return kestoIconInTray(); }, 15000));

    QElapsedTimer clock;
    clock.start();
    Child second(binDir() + "/kesto", {}, box.work(), kestoEnv(box));
    QVERIFY(second.process().waitForFinished(5000));
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(second.process().exitCode(), 0);
    QCOMPARE(first->process().state(), QProcess::Running);

    // Only one sampler: 11 seconds in front make at most three samples.
    QTest::qWait(11000);
    LogFile log(box.logPath());
    QCOMPARE(log.value("SELECT COUNT(*) FROM ApplicationLog").toInt(), 1);
    QVERIFY(log.value("SELECT Duration FROM ApplicationLog").toInt() <= 20);

    // A crashed kesto leaves its lock behind; the next start takes it over.
    ::kill(pid_t(first->pid()), SIGKILL);
    first->process().waitForFinished();
    first.reset();
    Child third(binDir() + "/kesto", {}, box.work(), kestoEnv(box));
    QVERIFY(!third.process().waitForFinished(3000));
    QCOMPARE(third.process().state(), QProcess::Running);
    QVERIFY(waitFor([] { return kestoIconInTray(); }, 15000));
}

void TestDesktop::quitWithADialogOpen_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("title");
    QTest::newRow("activity log") << "--show-log" << "Activity Log";
    QTest::newRow("about") << "--about" << "About KESTO";
}

void TestDesktop::quitWithADialogOpen()
{
    // These dialogs only hide when asked to close; kesto ends all the same.
    QFETCH(QString, option);
    QFETCH(QString, title);
    Sandbox box;
    box.copyTemplate();
    Child kesto(binDir() + "/kesto", {}, box.work(), kestoEnv(box));
    QVERIFY(waitFor([] { return kestoIconInTray(); }, 15000));
    Child open(binDir() + "/kesto", {option}, box.work(), kestoEnv(box));
    QVERIFY(open.process().waitForFinished(10000));
    QVERIFY(!waitForWindow(title, 10000).isEmpty());
    Child quit(binDir() + "/kesto", {"--quit"}, box.work(), kestoEnv(box));
    QVERIFY(quit.process().waitForFinished(10000));
    QVERIFY(kesto.process().waitForFinished(10000));
    QCOMPARE(kesto.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(kesto.process().exitCode(), 0);
}

void TestDesktop::readOnlyLog()
{
    // root writes to any file, so the log is made read-only for "nobody".
    if (::geteuid() != 0)
        QSKIP("needs root to run kesto as another user");
    Sandbox box;
    box.copyTemplate();
    {
        LogFile t(box.work() + "/template.db");
        QVERIFY(t.exec("UPDATE Options SET QueryMinutes = 0"));
        QVERIFY(t.exec("INSERT INTO ActivityLog VALUES ('kept', '2026-01-01 10:00:00')"));
    }
    const QString home = box.home() + "/nobody";
    QVERIFY(QDir().mkpath(home));
    QVERIFY(QFile::copy(box.work() + "/template.db", home + "/kesto.db"));
    QVERIFY(::chmod(QFile::encodeName(home + "/kesto.db").constData(), 0444) == 0);
    QVERIFY(::chown(QFile::encodeName(home).constData(), 65534, 65534) == 0);
    QVERIFY(::chmod(QFile::encodeName(box.home()).constData(), 0755) == 0);
    QVERIFY(::chmod(QFile::encodeName(box.work()).constData(), 0755) == 0);
    const QByteArray before = fileBytes(home + "/kesto.db");

    Child kesto("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", binDir() + "/kesto"}, box.work(),
                {"HOME=" + home, "QT_QPA_PLATFORM=xcb", "XDG_RUNTIME_DIR="});
    const QString prompt = waitForWindow("Quorvel?", 15000);
    QVERIFY2(!prompt.isEmpty(), "no prompt: the stored interval was not read");
    QVERIFY(run("xdotool", {"search", "--onlyvisible", "--name", "^Error$"}).trimmed().isEmpty());
    QTest::qWait(300);
    run("xdotool", {"type", "--delay", "10", "cannot be stored"});
    run("xdotool", {"key", "Return"});
    const QString box2 = waitForWindow("Error", 10000);
    QVERIFY2(!box2.isEmpty(), "no error box for the failed save");
    QVERIFY(bringToFront(box2));
    run("xdotool", {"key", "Return"});
    QVERIFY(waitFor([] { return run("xdotool", {"search", "--onlyvisible", "--name", "^Error$"}).trimmed().isEmpty(); },
                    5000));
    QCOMPARE(kesto.process().state(), QProcess::Running);
    kesto.process().kill();
    kesto.process().waitForFinished();
    const QByteArray after = fileBytes(home + "/kesto.db");
    QVERIFY(after == before);
}

QTEST_GUILESS_MAIN(TestDesktop)
#include "tst_desktop.moc"

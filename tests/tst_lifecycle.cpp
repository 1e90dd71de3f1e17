// How the real kesto ends, and what it keeps, on a real X desktop: a closed
// prompt, the signals of a session that ends, and a night that passes.
#include "desktoptools.h"
#include "logwriter.h"
#include "singleinstance.h"
#include "testsupport.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QThread>

#include <csignal>
#include <functional>

using namespace TestSupport;
using namespace DesktopTools;

namespace {

// Asks the running kesto of the sandbox, as a user's shortcut would.
int ask(const Sandbox &box, const QString &option)
{
    QProcess client;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", box.home());
    client.setProcessEnvironment(env);
    client.start(binDir() + "/kesto", {option});
    return client.waitForFinished(10000) && client.exitStatus() == QProcess::NormalExit ? client.exitCode() : -1;
}

// The sqlite3 shell holding the log, as a backup or a curious user might.
class Holder
{
public:
    explicit Holder(const QString &path)
    {
        shell.start("sqlite3", {path});
        shell.waitForStarted();
    }
    ~Holder()
    {
        shell.closeWriteChannel();
        shell.waitForFinished(5000);
    }
    bool say(const QByteArray &sql)
    {
        const QByteArray mark = "done " + QByteArray::number(++said);
        shell.write(sql + "\nSELECT '" + mark + "';\n");
        QByteArray out;
        QDeadlineTimer deadline(5000);
        while (!out.contains(mark) && !deadline.hasExpired()) {
            shell.waitForReadyRead(100);
            out += shell.readAllStandardOutput();
        }
        return out.contains(mark);
    }

private:
    QProcess shell;
    int said = 0;
};

bool closeErrorBox()
{
    const QString box = waitForWindow("Error", 10000);
    if (box.isEmpty() || !bringToFront(box))
        return false;
    run("xdotool", {"key", "Return"});
    return waitFor([] { return run("xdotool", {"search", "--onlyvisible", "--name", "^Error$"}).trimmed().isEmpty(); },
                   5000);
}

} // namespace

class TestLifecycle : public QObject
{
    Q_OBJECT

private slots:
    void closingThePromptKeepsKesto();
    void signalsEndItLikeExit_data();
    void signalsEndItLikeExit();
    void rowsEndAtMidnight();
};

void TestLifecycle::closingThePromptKeepsKesto()
{
    Sandbox box;
    box.copyTemplate();
    Child kesto(binDir() + "/kesto", {}, box.work(), kestoEnv(box));
    QVERIFY(waitFor([] { return kestoIconInTray(); }, 15000));
    for (int round = 0; round < 2; ++round) {
        QCOMPARE(ask(box, "--ask"), 0);
        const QString prompt = waitForWindow("Quorvel?", 10000);
        QVERIFY(!prompt.isEmpty());
        QVERIFY(waitFor([&] { return run("xdotool", {"getactivewindow"}).trimmed() == prompt; }, 5000));
        run("xdotool", {"type", "--delay", "10", "dismissed"});
        // icewm's Alt+F4 asks the window to close, as a title bar's button does.
        run("xdotool", {"key", "alt+F4"});
        QVERIFY(waitFor([] { return mapState("Quorvel?") == "IsUnMapped"; }, 5000));
        QTest::qWait(500);
        QCOMPARE(kesto.process().state(), QProcess::Running);
    }
    LogFile log(box.logPath());
    QCOMPARE(log.value("SELECT COUNT(*) FROM ActivityLog").toInt(), 0);
    QCOMPARE(ask(box, "--quit"), 0);
    QVERIFY(kesto.process().waitForFinished(10000));
}

void TestLifecycle::signalsEndItLikeExit_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("lockHeld");
    QTest::newRow("SIGTERM, log free again") << int(SIGTERM) << false;
    QTest::newRow("SIGTERM, log still held") << int(SIGTERM) << true;
    QTest::newRow("SIGHUP, log still held") << int(SIGHUP) << true;
    QTest::newRow("SIGINT, log free again") << int(SIGINT) << false;
}

void TestLifecycle::signalsEndItLikeExit()
{
    QFETCH(int, signal);
    QFETCH(bool, lockHeld);
    Sandbox box;
    box.copyTemplate();
    Child kesto(binDir() + "/kesto", {}, box.work(), kestoEnv(box));
    QVERIFY(waitFor([] { return kestoIconInTray(); }, 15000));

    // An answer the log refuses: it waits in kesto.
    auto holder = std::make_unique<Holder>(box.logPath());
    QVERIFY(holder->say("BEGIN EXCLUSIVE;"));
    QCOMPARE(ask(box, "--ask"), 0);
    const QString prompt = waitForWindow("Quorvel?", 10000);
    QVERIFY(!prompt.isEmpty());
    QVERIFY(waitFor([&] { return run("xdotool", {"getactivewindow"}).trimmed() == prompt; }, 5000));
    const QString answer = QStringLiteral("waiting answer %1").arg(signal);
    run("xdotool", {"type", "--delay", "10", answer});
    run("xdotool", {"key", "Return"});
    QVERIFY(closeErrorBox());
    if (!lockHeld) {
        QVERIFY(holder->say("COMMIT;"));
        holder.reset();
    }

    ::kill(pid_t(kesto.pid()), signal);
    QVERIFY(kesto.process().waitForFinished(10000));
    QCOMPARE(kesto.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(kesto.process().exitCode(), 0);
    QVERIFY(!QFile::exists(SingleInstance::lockPath()));
    QVERIFY(!QFile::exists(SingleInstance::serverName()));

    const QStringList unsaved = LogWriter::unsavedFiles(box.logPath());
    if (lockHeld) {
        QCOMPARE(unsaved.size(), 1);
        QVERIFY(QString::fromUtf8(fileBytes(unsaved[0])).contains(answer));
        QCOMPARE(QFile::permissions(unsaved[0]) & 0x0077, QFileDevice::Permissions());
        holder.reset();
    } else {
        QVERIFY2(unsaved.isEmpty(), qPrintable(unsaved.join(' ')));
        // The write-ahead log is folded back: the file alone is the log.
        QCOMPARE(QFileInfo(box.logPath() + "-wal").size(), 0);
    }
    LogFile log(box.logPath());
    QCOMPARE(log.value("SELECT COUNT(*) FROM ActivityLog WHERE ActText = ?", {answer}).toInt(), lockHeld ? 0 : 1);
}

void TestLifecycle::rowsEndAtMidnight()
{
    Sandbox box;
    box.copyTemplate();
    Child term("xterm", {"-T", "Across midnight", "-e", "sleep", "300"});
    const QString termId = waitForWindow("Across midnight");
    QVERIFY(bringToFront(termId));
    // kesto's clock starts ten seconds before midnight and runs on from there.
    Child kesto("faketime", {"-f", "@2026-03-28 23:59:50", binDir() + "/kesto"}, box.work(), kestoEnv(box));
    QVERIFY(waitFor([&] { return QFile::exists(box.logPath()); }, 15000));
    LogFile log(box.logPath());
    const auto nextDay = [&] {
        return log.value("SELECT Duration FROM ApplicationLog WHERE AppDate >= '2026-03-29'").toInt();
    };
    QVERIFY(waitFor([&] { return nextDay() >= 10; }, 45000));
    QCOMPARE(ask(box, "--quit"), 0);
    QVERIFY(kesto.process().waitForFinished(10000));

    const auto rows = log.rows("SELECT AppTitle, AppDate, Duration FROM ApplicationLog ORDER BY ROWID");
    QCOMPARE(rows.size(), 2);
    for (const auto &row : rows)
        QCOMPARE(row[0].toString(), QStringLiteral("Across midnight"));
    QVERIFY2(rows[0][1].toString().startsWith("2026-03-28 23:59:5"), qPrintable(rows[0][1].toString()));
    QVERIFY2(rows[0][2].toInt() <= 10, qPrintable(rows[0][2].toString()));
    QVERIFY2(rows[1][1].toString().startsWith("2026-03-29 00:00:0"), qPrintable(rows[1][1].toString()));
}

QTEST_GUILESS_MAIN(TestLifecycle)
#include "tst_lifecycle.moc"

// The real kesto on a desktop without a tray (Xvfb with openbox): it says
// how to reach it, takes its requests from the command line, from this user
// only, and shows its icon once a tray comes.
#include "desktoptools.h"
#include "singleinstance.h"
#include "testsupport.h"

#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QThread>

#include <functional>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace TestSupport;
using namespace DesktopTools;

namespace {

bool windowShown(const QString &title)
{
    return !run("xdotool", {"search", "--onlyvisible", "--name", "^" + title + "$"}).trimmed().isEmpty();
}

// Closes a dialog or message box the way a user does: in front, then a key.
bool dismiss(const QString &title, const QString &key)
{
    const QString id = waitForWindow(title, 10000);
    if (id.isEmpty() || !bringToFront(id))
        return false;
    run("xdotool", {"key", key});
    return waitFor([&] { return !windowShown(title); }, 5000);
}

} // namespace

// Stands in for the desktop's notification service.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList received;

public slots:
    uint Notify(const QString &, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &, const QVariantMap &, int)
    {
        received << summary + ": " + body;
        return uint(received.size());
    }
};

class TestReach : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void withoutKesto_data();
    void withoutKesto();
    void socketIsPrivate();
    void requestsOpenWindows_data();
    void requestsOpenWindows();
    void askAndTakeBack();
    void pauseAndResume();
    void otherUsersCannotConnect();
    void noticeWithoutTray();
    void secondStartSaysSo_data();
    void secondStartSaysSo();
    void lateTrayGetsTheIcon();
    void quitEndsCleanly();

private:
    // kesto run to its end: its exit code and all it printed.
    QPair<int, QString> kesto(const QStringList &args);
    std::unique_ptr<Sandbox> box;
    std::unique_ptr<Child> running;
    std::unique_ptr<LogFile> log;
    std::unique_ptr<Child> sessionBus;
};

QPair<int, QString> TestReach::kesto(const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setWorkingDirectory(box->work());
    p.start(binDir() + "/kesto", args);
    if (!p.waitForFinished(20000))
        return {-1, "did not end"};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAll())};
}

void TestReach::initTestCase()
{
    // The runtime directory must be private, or kesto looks for another one.
    QVERIFY(::chmod(qgetenv("XDG_RUNTIME_DIR").constData(), 0700) == 0);
    box = std::make_unique<Sandbox>();
    box->copyTemplate();
    // A session bus of its own, with no notification service until a case
    // offers one.
    sessionBus = std::make_unique<Child>("dbus-daemon", QStringList{"--session", "--nofork", "--print-address=1"});
    QVERIFY(sessionBus->process().waitForReadyRead(10000));
    const QByteArray address = sessionBus->process().readLine().trimmed();
    QVERIFY(!address.isEmpty());
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
}

void TestReach::withoutKesto_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("says");
    QTest::newRow("show-log") << "--show-log" << 1 << "kesto is not running.";
    QTest::newRow("summary") << "--summary" << 1 << "kesto is not running.";
    QTest::newRow("ask") << "--ask" << 1 << "kesto is not running.";
    QTest::newRow("take-back") << "--take-back" << 1 << "kesto is not running.";
    QTest::newRow("about") << "--about" << 1 << "kesto is not running.";
    QTest::newRow("quit") << "--quit" << 0 << "";
    QTest::newRow("pause") << "--pause 15" << 1 << "kesto is not running.";
    QTest::newRow("pause, not minutes") << "--pause soon" << 2 << "--pause takes a whole number from 1 to 525600";
    QTest::newRow("pause, too long") << "--pause 525601" << 2 << "not \"525601\"";
    QTest::newRow("pause, no value") << "--pause" << 1 << "Missing value after '--pause'";
    QTest::newRow("resume") << "--resume" << 1 << "kesto is not running.";
    QTest::newRow("rules") << "--rules" << 1 << "kesto is not running.";
    QTest::newRow("help") << "--help" << 0 << "--take-back";
    QTest::newRow("version") << "--version" << 0 << "kesto 1.0";
    QTest::newRow("unknown") << "--shw-log" << 1 << "Unknown option";
    QTest::newRow("two at once") << "--ask --about" << 2 << "one option at a time";
}

void TestReach::withoutKesto()
{
    QFETCH(QString, option);
    QFETCH(int, exitCode);
    QFETCH(QString, says);
    const auto [code, output] = kesto(option.split(' '));
    QCOMPARE(code, exitCode);
    QVERIFY2(output.contains(says), qPrintable(output));
    // Asking started nothing and created nothing.
    QVERIFY(!QFile::exists(box->logPath()));
}

void TestReach::socketIsPrivate()
{
    running = std::make_unique<Child>(binDir() + "/kesto", QStringList(), box->work());
    const QString socket = SingleInstance::serverName();
    QVERIFY2(socket.startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR")), qPrintable(socket));
    QVERIFY(waitFor([&] { return QFile::exists(socket); }, 15000));
    log = std::make_unique<LogFile>(box->logPath());
    // The socket is made owner-only and then narrowed to reading and writing;
    // a slow kesto may be between the two.
    struct stat st;
    QVERIFY(waitFor([&] { return ::stat(QFile::encodeName(socket).constData(), &st) == 0
                                 && (st.st_mode & 0777) == 0600; }, 5000));
    QVERIFY(S_ISSOCK(st.st_mode));
    QCOMPARE(st.st_uid, ::geteuid());
    QVERIFY(!kestoIconInTray());
}

void TestReach::requestsOpenWindows_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("closeKey");
    QTest::newRow("show-log") << "--show-log" << "Activity Log" << "Escape";
    QTest::newRow("summary") << "--summary" << "Summary" << "Escape";
    QTest::newRow("about") << "--about" << "About KESTO" << "Return";
    QTest::newRow("rules") << "--rules" << "Rules" << "Escape";
}

void TestReach::requestsOpenWindows()
{
    QFETCH(QString, option);
    QFETCH(QString, title);
    QFETCH(QString, closeKey);
    const auto [code, err] = kesto({option});
    QVERIFY2(code == 0, qPrintable(err));
    QVERIFY(dismiss(title, closeKey));
    QCOMPARE(running->process().state(), QProcess::Running);
}

void TestReach::askAndTakeBack()
{
    for (const auto &[option, answer] : QList<QPair<QString, QString>>{{"--ask", "asked from a shortcut"},
                                                                          {"--take-back", "taken back and rewritten"}}) {
        QCOMPARE(kesto({option}).first, 0);
        const QString prompt = waitForWindow("Quorvel?", 10000);
        QVERIFY(!prompt.isEmpty());
        QVERIFY(bringToFront(prompt));
        QTest::qWait(300);
        run("xdotool", {"type", "--delay", "10", answer});
        run("xdotool", {"key", "Return"});
        QVERIFY(waitFor([&] { return !windowShown("Quorvel?"); }, 5000));
        QCOMPARE(log->value("SELECT ActText FROM ActivityLog ORDER BY rowid DESC LIMIT 1").toString(), answer);
    }
    QCOMPARE(log->value("SELECT count(*) FROM ActivityLog").toInt(), 1);
}

void TestReach::pauseAndResume()
{
    // The running kesto keeps its pause in the log, where a restart finds it.
    const auto stored = [&] { return log->value("SELECT Value FROM Settings WHERE Name = 'PausedUntil'").toString(); };
    const QDateTime asked = QDateTime::currentDateTime();
    QCOMPARE(kesto({"--pause", "15"}).first, 0);
    QVERIFY(waitFor([&] { return !stored().isEmpty(); }, 5000));
    const QDateTime end = QDateTime::fromString(stored(), "yyyy-MM-dd HH:mm:ss");
    QVERIFY2(qAbs(asked.addSecs(15 * 60).secsTo(end)) <= 5, qPrintable(stored()));
    QCOMPARE(kesto({"--resume"}).first, 0);
    QVERIFY(waitFor([&] { return stored().isEmpty(); }, 5000));
}

void TestReach::otherUsersCannotConnect()
{
    if (::geteuid() != 0)
        QSKIP("needs root to connect as another user");
    // The same client as root and as "nobody": only the first reaches kesto.
    const QString client = "import socket, sys\n"
                           "s = socket.socket(socket.AF_UNIX)\n"
                           "s.connect(sys.argv[1])\n"
                           "s.sendall(b'about\\n')\n"
                           "sys.exit(0 if s.recv(16) == b'ok\\n' else 3)\n";
    const QString socket = SingleInstance::serverName();
    QProcess asNobody;
    asNobody.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", "python3", "-c", client, socket});
    QVERIFY(asNobody.waitForFinished(10000));
    QVERIFY(asNobody.exitCode() != 0);
    QVERIFY2(asNobody.readAllStandardError().contains("Permission denied"), "refused for another reason");
    QTest::qWait(1000);
    QVERIFY(!windowShown("About KESTO"));

    QProcess asOwner;
    asOwner.start("python3", {"-c", client, socket});
    QVERIFY(asOwner.waitForFinished(10000));
    QCOMPARE(asOwner.exitCode(), 0);
    QVERIFY(dismiss("About KESTO", "Escape"));
}

void TestReach::noticeWithoutTray()
{
    // Told once, after the tray had its time to appear (30 s from start).
    QVERIFY2(waitFor([] { return windowShown("kesto"); }, 45000), "no notice");
    QVERIFY(!kestoIconInTray());
    QVERIFY(dismiss("kesto", "Return"));
    QTest::qWait(2000);
    QVERIFY(!windowShown("kesto"));
    QCOMPARE(running->process().state(), QProcess::Running);
}

void TestReach::secondStartSaysSo_data()
{
    QTest::addColumn<bool>("notificationService");
    QTest::newRow("in a window") << false;
    QTest::newRow("through the notification service") << true;
}

void TestReach::secondStartSaysSo()
{
    QFETCH(bool, notificationService);
    FakeNotifications service;
    QDBusConnection bus = QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), "fake");
    if (notificationService) {
        QVERIFY(bus.registerService("org.freedesktop.Notifications"));
        QVERIFY(bus.registerObject("/org/freedesktop/Notifications", &service, QDBusConnection::ExportAllSlots));
    }
    QCOMPARE(kesto({}).first, 0);
    if (notificationService) {
        QTRY_COMPARE_WITH_TIMEOUT(service.received.size(), 1, 10000);
        QVERIFY2(service.received[0].startsWith("kesto: kesto is already running."), qPrintable(service.received[0]));
        QVERIFY(!windowShown("kesto"));
        bus.unregisterObject("/org/freedesktop/Notifications");
        QVERIFY(bus.unregisterService("org.freedesktop.Notifications"));
    } else {
        QVERIFY(dismiss("kesto", "Return"));
    }
    QDBusConnection::disconnectFromBus("fake");
    QCOMPARE(running->process().state(), QProcess::Running);
}

void TestReach::lateTrayGetsTheIcon()
{
    Child icewm("icewm", {"--replace"});
    QVERIFY2(waitFor([] { return kestoIconInTray(); }, 20000), "no icon in the tray that came late");
    icewm.process().terminate();
    icewm.process().waitForFinished(5000);
}

void TestReach::quitEndsCleanly()
{
    log.reset();
    QCOMPARE(kesto({"--quit"}).first, 0);
    QVERIFY(running->process().waitForFinished(10000));
    QCOMPARE(running->process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(running->process().exitCode(), 0);
    // The lock and the socket are gone, the write-ahead log folded back.
    QVERIFY(!QFile::exists(SingleInstance::lockPath()));
    QVERIFY(!QFile::exists(SingleInstance::serverName()));
    QVERIFY(!QFile::exists(box->logPath() + "-wal"));
    LogFile after(box->logPath());
    QCOMPARE(after.value("PRAGMA integrity_check").toString(), QStringLiteral("ok"));
    QCOMPARE(after.value("SELECT ActText FROM ActivityLog").toString(), QStringLiteral("taken back and rewritten"));
    QCOMPARE(kesto({"--show-log"}).first, 1);
}

QTEST_GUILESS_MAIN(TestReach)
#include "tst_reach.moc"

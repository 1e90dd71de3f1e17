// The Wayland backend and the real kesto on a real compositor: headless
// sway with XWayland (tests/wayland-session.sh), driven through swaymsg.
#include "desktoptools.h"
#include "foregroundwindow.h"
#include "systembackend.h"
#include "testsupport.h"
#include "waylandclients.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>
#include <QWidget>

#include <functional>
#include <memory>

using namespace DesktopTools;
using namespace TestSupport;

namespace {

// Events are handled meanwhile: the Wayland sources of this process need them.
bool waitHandling(const std::function<bool()> &condition, int timeoutMs = 8000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (condition())
            return true;
        QTest::qWait(100);
    }
    return condition();
}

QString swaymsg(const QStringList &args)
{
    return run("swaymsg", args);
}

QString criteria(const QString &title)
{
    return "[title=\"^" + QRegularExpression::escape(title) + "$\"]";
}

// The window sway has, by exact title; empty object when there is none.
QJsonObject swayWindow(const QString &title)
{
    std::function<QJsonObject(const QJsonObject &)> find = [&](const QJsonObject &node) {
        if (node.value("name").toString() == title && node.contains("pid"))
            return node;
        for (const char *key : {"nodes", "floating_nodes"})
            for (const QJsonValue &child : node.value(key).toArray()) {
                const QJsonObject hit = find(child.toObject());
                if (!hit.isEmpty())
                    return hit;
            }
        return QJsonObject();
    };
    return find(QJsonDocument::fromJson(swaymsg({"-t", "get_tree"}).toUtf8()).object());
}

bool focus(const QString &title)
{
    // XWayland starts with its first client, which can take a while.
    return waitHandling([&] {
        if (swayWindow(title).value("focused").toBool())
            return true;
        swaymsg({criteria(title), "focus"});
        return false;
    }, 15000);
}

std::unique_ptr<Child> terminal(const QString &title, const QStringList &extra = {})
{
    return std::make_unique<Child>("foot", extra + QStringList{"--log-level=error", "-T", title, "sleep", "300"});
}

// The desktop's tray host as it appears on the session bus.
class FakeWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registered)

public:
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList registered() const { return items; }
    QStringList items;

public slots:
    void RegisterStatusNotifierItem(const QString &service) { items << service; }
    void RegisterStatusNotifierHost(const QString &) {}
};

} // namespace

class TestWaylandSway : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void windowsInFront_data();
    void windowsInFront();
    void followsTitlesAndClosedWindows();
    void backendPerSessionType();
    void idleTime();
    void kestoLogsTheWindowsInFront();
    void kestoStopsWhileAway();
    void promptTakesTypedAnswers();
    void trayThroughStatusNotifier();

private:
    // Waits until the backend sees the expected window in front.
    std::optional<ForegroundSample> sampleOf(const QString &title);
    std::unique_ptr<ForegroundWindowSource> backend;
};

std::optional<ForegroundSample> TestWaylandSway::sampleOf(const QString &title)
{
    std::optional<ForegroundSample> s;
    waitHandling([&] {
        s = backend->sample();
        return s && s->title == title;
    }, 5000);
    return s;
}

void TestWaylandSway::initTestCase()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("SWAYSOCK"), "run under tests/wayland-session.sh");
    // XWayland is there: the X11 backend would answer, and must not be asked.
    QVERIFY(!qEnvironmentVariableIsEmpty("DISPLAY"));
    backend.reset(createSystemForegroundWindowSource());
    QVERIFY(backend->isAvailable());
}

void TestWaylandSway::windowsInFront_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("withIpc");
    const QString self = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    QTest::newRow("foot, ASCII") << "foot" << "plain ascii title" << "/usr/bin/foot" << true;
    QTest::newRow("foot, accents CJK emoji") << "foot" << QString::fromUtf8("Grüße aus 東京 😀") << "/usr/bin/foot" << true;
    QTest::newRow("Qt window") << "qt" << QString::fromUtf8("Café crème — Qt") << self << true;
    QTest::newRow("xterm under XWayland") << "xterm" << "x11 client" << "/usr/bin/xterm" << true;
    // Without sway's IPC the app_id leads through foot.desktop to the program.
    QTest::newRow("foot, by desktop entry") << "foot" << "found by app_id" << "/usr/bin/foot" << false;
    QTest::newRow("unknown app_id, by desktop entry") << "stranger" << "no such program" << QString() << false;
}

void TestWaylandSway::windowsInFront()
{
    QFETCH(QString, kind);
    QFETCH(QString, title);
    QFETCH(QString, path);
    QFETCH(bool, withIpc);
    std::unique_ptr<Child> child;
    std::unique_ptr<QWidget> widget;
    if (kind == "foot")
        child = terminal(title);
    else if (kind == "stranger")
        child = terminal(title, {"--app-id=kesto-test-unknown"});
    else if (kind == "xterm")
        child = std::make_unique<Child>("xterm", QStringList{"-T", title, "-e", "sleep", "300"});
    else {
        widget = std::make_unique<QWidget>();
        widget->setWindowTitle(title);
        widget->show();
    }
    QVERIFY(focus(title));
    const QByteArray sway = qgetenv("SWAYSOCK");
    if (!withIpc)
        qunsetenv("SWAYSOCK");
    std::optional<ForegroundSample> s = sampleOf(title);
    if (path.isEmpty()) {
        // A program that cannot be found is not recorded, never guessed.
        QTest::qWait(500);
        s = backend->sample();
        QVERIFY(!s);
    } else {
        QVERIFY(s);
        QCOMPARE(s->title, title);
        QCOMPARE(s->path, path);
    }
    // Asked without waiting: the same answer; sway's IPC is awaited in the
    // event loop, the window list alone answers at once.
    const RequestedSample asked = requestSample(*backend);
    QVERIFY(asked.answered);
    QCOMPARE(asked.returnedFirst, withIpc);
    QCOMPARE(asked.sample ? asked.sample->path : QString(), path);
    qputenv("SWAYSOCK", sway);
}

void TestWaylandSway::followsTitlesAndClosedWindows()
{
    auto first = terminal("stays open");
    QWidget widget;
    widget.setWindowTitle("before");
    widget.show();
    QVERIFY(focus("before"));
    QVERIFY(sampleOf("before"));

    widget.setWindowTitle(QString::fromUtf8("after — ünïcödé"));
    QVERIFY(sampleOf(QString::fromUtf8("after — ünïcödé")));

    // Closing the window in front hands the focus to the one left.
    widget.close();
    QVERIFY(sampleOf("stays open"));

    // An empty workspace: nothing is in front, nothing is sampled.
    swaymsg({"workspace", "9"});
    QVERIFY(waitHandling([&] { return !backend->sample(); }));
    swaymsg({"workspace", "1"});
    QVERIFY(sampleOf("stays open"));
}

void TestWaylandSway::backendPerSessionType()
{
    auto term = terminal("wayland client");
    auto xterm = std::make_unique<Child>("xterm", QStringList{"-T", "xwayland client", "-e", "sleep", "300"});
    QVERIFY(focus("xwayland client"));
    QVERIFY(focus("wayland client"));

    struct Case
    {
        const char *sessionType;
        bool waylandDisplay;
        bool seesWaylandWindow;
    };
    // XDG_SESSION_TYPE alone marks a Wayland session too; an X11 session
    // (no WAYLAND_DISPLAY) keeps X11, which sees only XWayland's windows.
    const Case cases[] = {{"wayland", true, true}, {"", true, true}, {"x11", false, false}};
    const QByteArray display = qgetenv("WAYLAND_DISPLAY");
    for (const Case &c : cases) {
        qputenv("XDG_SESSION_TYPE", c.sessionType);
        if (!c.waylandDisplay)
            qunsetenv("WAYLAND_DISPLAY");
        std::unique_ptr<ForegroundWindowSource> source(createSystemForegroundWindowSource());
        qputenv("WAYLAND_DISPLAY", display);
        QVERIFY(source->isAvailable());
        std::optional<ForegroundSample> s;
        waitHandling([&] {
            s = source->sample();
            return s && s->title == "wayland client";
        }, c.seesWaylandWindow ? 5000 : 1000);
        QCOMPARE(s && s->title == "wayland client", c.seesWaylandWindow);
    }
    qputenv("XDG_SESSION_TYPE", "wayland");
}

void TestWaylandSway::idleTime()
{
    // sway 1.7 tells when a threshold passes without input (org_kde_kwin_idle):
    // below it 0, past it the time since the last input.
    const auto idle = [&] { return backend->idleSeconds(2); };
    QCOMPARE(idle(), std::optional<qint64>(0));
    QVERIFY(waitFor([&] { return idle().value_or(0) >= 2; }, 5000));
    QVERIFY(idle().value_or(0) <= 4);
    // A key through the virtual keyboard, as a user's, ends it.
    run("wtype", {"-s", "200", "-k", "Shift_L"});
    QVERIFY(waitFor([&] { return idle() == 0; }, 3000));
    {
        // A client holding an idle inhibitor (a video, a call) is presence.
        IdleInhibitor inhibitor;
        QVERIFY(inhibitor.isHeld());
        QTest::qWait(3500);
        QCOMPARE(idle(), std::optional<qint64>(0));
    }
    QVERIFY(waitFor([&] { return idle().value_or(0) >= 2; }, 5000));
}

void TestWaylandSway::kestoLogsTheWindowsInFront()
{
    Sandbox box;
    box.copyTemplate();
    const QString alpha = "Alpha on sway";
    const QString beta = QString::fromUtf8("Βήτα — ベータ");
    auto a = terminal(alpha);
    auto b = terminal(beta);
    QVERIFY(focus(alpha));

    Child kesto(binDir() + "/kesto", {}, box.work(), {"HOME=" + box.home(), "QT_QPA_PLATFORM=wayland"});
    QVERIFY(waitHandling([&] { return QFileInfo::exists(box.logPath()); }, 15000));
    LogFile log(box.logPath());
    const auto duration = [&](const QString &title) {
        return log.value("SELECT Duration FROM ApplicationLog WHERE AppTitle = ?", {title}).toInt();
    };
    // The row grows while its window stays in front.
    QVERIFY(waitHandling([&] { return duration(alpha) >= 10; }, 30000));
    QVERIFY(focus(beta));
    QVERIFY(waitHandling([&] { return duration(beta) >= 5; }, 15000));
    // Nothing in front: nothing added, and the stretch is over. Then the
    // same window: a row of its own.
    swaymsg({"workspace", "9"});
    QTest::qWait(1000);
    const int before = duration(beta);
    QTest::qWait(6000);
    QCOMPARE(duration(beta), before);
    swaymsg({"workspace", "1"});
    QVERIFY(focus(beta));
    const auto betaRows = [&] {
        return log.value("SELECT COUNT(*) FROM ApplicationLog WHERE AppTitle = ?", {beta}).toInt();
    };
    QVERIFY(waitHandling([&] { return betaRows() == 2; }, 15000));
    kesto.process().kill();
    kesto.process().waitForFinished();

    const auto rows = log.rows("SELECT AppFileName, AppTitle FROM ApplicationLog ORDER BY ROWID");
    QCOMPARE(rows.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(rows[i][0].toString(), QStringLiteral("/usr/bin/foot"));
        QCOMPARE(rows[i][1].toString(), i == 0 ? alpha : beta);
    }
}

void TestWaylandSway::kestoStopsWhileAway()
{
    // Away after two seconds (one minute of 2 s): the row ends at the last
    // key, and the next key starts a new one.
    Sandbox box;
    box.copyTemplate();
    QVERIFY(QFile::copy(box.work() + "/template.db", box.logPath()));
    LogFile log(box.logPath());
    QVERIFY(log.exec("INSERT INTO Settings VALUES ('AwayMinutes', 1)"));
    auto term = terminal("alone on sway");
    QVERIFY(focus("alone on sway"));
    Child kesto(binDir() + "/kesto", {}, box.work(),
                {"HOME=" + box.home(), "QT_QPA_PLATFORM=wayland", "KESTO_AWAY_MINUTE_MS=2000"});
    const auto rows = [&] { return log.rows("SELECT AppDate, Duration FROM ApplicationLog ORDER BY ROWID"); };
    // Keys keep the user present until the row has grown.
    QDateTime lastKey;
    QVERIFY(waitFor([&] {
        run("wtype", {"-k", "Shift_L"});
        lastKey = QDateTime::currentDateTime();
        return !rows().isEmpty() && rows()[0][1].toInt() >= 10;
    }, 30000));
    QTest::qWait(8000);
    QList<QVariantList> now = rows();
    QCOMPARE(now.size(), 1);
    const qint64 upToLastKey = QDateTime::fromString(now[0][0].toString(), "yyyy-MM-dd HH:mm:ss").secsTo(lastKey);
    QVERIFY2(qAbs(now[0][1].toInt() - upToLastKey) <= 2,
             qPrintable(QStringLiteral("%1 s held, %2 s up to the last key").arg(now[0][1].toInt()).arg(upToLastKey)));
    QVERIFY(waitFor([&] {
        run("wtype", {"-k", "Shift_L"});
        return rows().size() == 2;
    }, 15000));
    QCOMPARE(log.value("SELECT COUNT(*) FROM Absences").toInt(), 1);
}

void TestWaylandSway::promptTakesTypedAnswers()
{
    Sandbox box;
    auto other = terminal("busy elsewhere");
    QVERIFY(focus("busy elsewhere"));
    const auto kesto = startKestoAskingOnWayland(box);
    QVERIFY(kesto);

    // Full screen and focused, so the user just types.
    QVERIFY(waitHandling([] { return swayWindow("Quorvel?").value("focused").toBool(); }, 15000));
    QCOMPARE(swayWindow("Quorvel?").value("fullscreen_mode").toInt(), 1);
    // One virtual keyboard for all keys; its keymap needs a moment to arrive.
    run("wtype", {"-s", "400", QString::fromUtf8("typed on sway — ü, 42"), "-k", "Return"});
    LogFile log(box.logPath());
    QVERIFY(waitHandling([&] { return log.value("SELECT COUNT(*) FROM ActivityLog").toInt() == 1; }, 5000));
    QCOMPARE(log.value("SELECT ActText FROM ActivityLog").toString(), QString::fromUtf8("typed on sway — ü, 42"));
    QCOMPARE(kesto->process().state(), QProcess::Running);
}

void TestWaylandSway::trayThroughStatusNotifier()
{
    // Wayland has no XEmbed tray: the icon goes to the desktop's
    // StatusNotifierItem host, here a stand-in on a private session bus.
    QProcess daemon;
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    QVERIFY(daemon.waitForStarted() && daemon.waitForReadyRead(10000));
    const QString address = QString::fromUtf8(daemon.readLine().trimmed());
    QDBusConnection bus = QDBusConnection::connectToBus(address, "tray-host");
    QVERIFY(bus.isConnected());
    FakeWatcher watcher;
    QVERIFY(bus.registerObject("/StatusNotifierWatcher", &watcher, QDBusConnection::ExportAllContents));
    QVERIFY(bus.registerService("org.kde.StatusNotifierWatcher"));

    Sandbox box;
    box.copyTemplate();
    Child kesto(binDir() + "/kesto", {}, box.work(),
                {"HOME=" + box.home(), "QT_QPA_PLATFORM=wayland", "DBUS_SESSION_BUS_ADDRESS=" + address});
    // A tray host asks as soon as the item registers, and never blocks on
    // the answer: its watcher, in the same process here as in swaybar, has
    // to keep answering, for kesto's start asks it (through Qt) whether a
    // tray is there.
    QVERIFY(QTest::qWaitFor([&] { return !watcher.items.isEmpty(); }, 15000));
    const QString item = watcher.items.first().section('/', 0, 0);
    const auto ask = [&](const QString &path, const QString &method, const QStringList &args) {
        QProcess send;
        send.start("dbus-send", QStringList{"--bus=" + address, "--print-reply", "--dest=" + item, path, method} + args);
        if (!QTest::qWaitFor([&] { return send.state() == QProcess::NotRunning; }, 30000))
            return QStringLiteral("dbus-send did not end");
        return QString::fromUtf8(send.readAllStandardOutput() + send.readAllStandardError());
    };
    const QString menu = ask("/StatusNotifierItem", "org.freedesktop.DBus.Properties.Get",
                             {"string:org.kde.StatusNotifierItem", "string:Menu"});
    const QString menuPath = QRegularExpression("object path \"([^\"]+)\"").match(menu).captured(1);
    // Qt answers "/NO_DBUSMENU" for an item whose menu is not exported yet.
    QVERIFY2(!menuPath.isEmpty() && menuPath != "/NO_DBUSMENU", qPrintable(menu));
    const QString icon = ask("/StatusNotifierItem", "org.freedesktop.DBus.Properties.Get",
                             {"string:org.kde.StatusNotifierItem", "string:IconPixmap"});
    QVERIFY2(icon.contains("int32 16"), qPrintable(icon.left(300)));
    const QString layout = ask(menuPath, "com.canonical.dbusmenu.GetLayout", {"int32:0", "int32:-1", "array:string:"});
    for (const char *entry : {"Show log...", "Active", "Exit"})
        QVERIFY2(layout.contains(QString("\"%1\"").arg(entry)), entry);
    kesto.process().kill();
    kesto.process().waitForFinished();
    daemon.kill();
    daemon.waitForFinished();
}

QTEST_MAIN(TestWaylandSway)
#include "tst_wayland_sway.moc"

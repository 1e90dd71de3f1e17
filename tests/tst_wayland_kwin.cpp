// The KWin backend and the real kesto on a real KWin (kwin_wayland
// --virtual, tests/kwin-session.sh): kesto's script reports, kesto logs,
// also after KWin restarted; once kesto ends, KWin runs none of it.
#include "desktoptools.h"
#include "foregroundwindow.h"
#include "systembackend.h"
#include "testsupport.h"
#include "waylandclients.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTest>
#include <QWidget>

#include <memory>

#include <signal.h>

using namespace DesktopTools;
using namespace TestSupport;

namespace {

// Asks KWin itself about its active window, through a script of the test's own.
class KWinProbe : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "example.kesto.test.Probe")

public:
    QString answer;

    QString activeWindow()
    {
        answer.clear();
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.registerService("example.kesto.test");
        bus.registerObject("/Probe", this, QDBusConnection::ExportAllSlots);
        QTemporaryFile script;
        script.setFileTemplate(QDir::tempPath() + "/probe-XXXXXX.js");
        if (!script.open())
            return QString();
        script.write("var c = workspace.activeClient;\n"
                     "callDBus('example.kesto.test', '/Probe', 'example.kesto.test.Probe', 'Report',\n"
                     "    c ? c.caption + '|' + c.fullScreen + '|' + c.keepAbove : '');\n");
        script.close();
        const auto scripting = [&](const QString &method, const QVariantList &args) {
            QDBusMessage call = QDBusMessage::createMethodCall("org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting", method);
            call.setArguments(args);
            return bus.call(call);
        };
        scripting("loadScript", {script.fileName(), "kesto-test-probe"});
        scripting("start", {});
        for (int i = 0; i < 50 && answer.isEmpty(); ++i)
            QTest::qWait(100);
        scripting("unloadScript", {"kesto-test-probe"});
        return answer;
    }

public slots:
    void Report(const QString &what) { answer = what; }
};

} // namespace

class TestWaylandKWin : public QObject
{
    Q_OBJECT

private slots:
    void followsTheActiveWindow();
    void idleTime();
    void kestoLogsItsPromptInFront();
    void kwinRestartsUnderKesto();
    void showWindow();

private:
    std::optional<ForegroundSample> sampleOf(ForegroundWindowSource &source, const QString &title)
    {
        std::optional<ForegroundSample> s;
        for (int i = 0; i < 100 && !(s && s->title == title); ++i) {
            QTest::qWait(100);
            s = source.sample();
        }
        return s && s->title == title ? s : std::nullopt;
    }
};

void TestWaylandKWin::followsTheActiveWindow()
{
    // Qt windows of this test: foot 1.13 cannot start on KWin's virtual
    // output, whose physical size is unknown.
    const QString self = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    const QString first = QString::fromUtf8("KWin — Grüße 東京");
    QWidget a;
    a.setWindowTitle(first);
    a.show();
    QTest::qWait(500);
    // KWin offers no toplevel list to clients: the script is the way.
    std::unique_ptr<ForegroundWindowSource> source(createSystemForegroundWindowSource());
    QVERIFY2(source->isAvailable(), qPrintable(source->unavailableReason()));
    // Active before the script was loaded, and still found.
    std::optional<ForegroundSample> s = sampleOf(*source, first);
    QVERIFY(s);
    QCOMPARE(s->path, self);
    // Asked without waiting: the same answer, kept from the script's reports.
    const RequestedSample asked = requestSample(*source);
    QVERIFY(asked.sample && asked.sample->title == first && asked.sample->path == self);

    // A new window takes the focus, then renames itself.
    auto b = std::make_unique<QWidget>();
    b->setWindowTitle("second");
    b->show();
    QVERIFY(sampleOf(*source, "second"));
    b->setWindowTitle("second, renamed");
    QVERIFY(sampleOf(*source, "second, renamed"));

    // Closed: the focus goes back; with no window left, nothing is logged.
    b.reset();
    QVERIFY(sampleOf(*source, first));
    a.close();
    QTRY_VERIFY_WITH_TIMEOUT(!source->sample(), 10000);
}

void TestWaylandKWin::idleTime()
{
    // KWin tells when a threshold passes without input (ext-idle-notify-v1):
    // below it 0, past it the time since the last input.
    std::unique_ptr<ForegroundWindowSource> source(createSystemForegroundWindowSource());
    const auto idle = [&] { return source->idleSeconds(2); };
    QCOMPARE(idle(), std::optional<qint64>(0));
    QTRY_VERIFY_WITH_TIMEOUT(idle().value_or(0) >= 2, 5000);
    QVERIFY(idle().value_or(0) <= 4);
    // The pointer moved through KWin's own input handling ends it. KWin
    // offers its fake input to programs whose desktop entry asks for it.
    QFile entry(QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation)
                + "/kesto-test-input.desktop");
    QVERIFY(QDir().mkpath(QFileInfo(entry).path()) && entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nName=kesto test\nExec="
                + QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath().toUtf8()
                + "\nX-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n");
    entry.close();
    QTRY_VERIFY_WITH_TIMEOUT(nudgeKWinPointer(), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(idle(), std::optional<qint64>(0), 3000);
}

void TestWaylandKWin::kestoLogsItsPromptInFront()
{
    Sandbox box;
    const auto kesto = startKestoAskingOnWayland(box);
    QVERIFY(kesto);
    // kesto's own sampler sees its prompt as the active window.
    QVERIFY(kestoLoggedItsPrompt(box));
    // Active and full screen, as KWin itself sees it. (Qt 6.4 cannot ask a
    // Wayland compositor to keep a window above; KWin draws an active
    // full-screen window above the others all the same.)
    KWinProbe probe;
    const QString seen = probe.activeWindow();
    QVERIFY2(seen.startsWith("Quorvel?|true|"), qPrintable(seen));
    QCOMPARE(kesto->process().state(), QProcess::Running);
}

void TestWaylandKWin::kwinRestartsUnderKesto()
{
    // A Wayland client of KWin's ends with it: kesto and this test draw
    // offscreen, the windows come from children of this test.
    if (QGuiApplication::platformName() != "offscreen")
        QSKIP("run offscreen, as tst_wayland_kwin_restart");
    QDBusConnection bus = QDBusConnection::sessionBus();
    const auto scriptLoaded = [&] {
        QDBusMessage call = QDBusMessage::createMethodCall("org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting",
                                                           "isScriptLoaded");
        const QDBusMessage reply = bus.call(call << QString("kesto"));
        return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
    };
    const auto window = [](const QString &title) {
        return std::make_unique<Child>(QCoreApplication::applicationFilePath(), QStringList{"showWindow"}, QString(),
                                       QStringList{"QT_QPA_PLATFORM=wayland", "KESTO_TEST_WINDOW=" + title});
    };
    Sandbox box;
    box.copyTemplate();
    Child kesto(binDir() + "/kesto", {}, box.work(), {"HOME=" + box.home()});
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(box.logPath()), 15000);
    LogFile log(box.logPath());
    const QString self = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    const auto logged = [&](const QString &title) {
        return log.value("SELECT COUNT(*) FROM ApplicationLog WHERE AppTitle = ? AND AppFileName = ?", {title, self})
                   .toInt() > 0;
    };
    auto before = window("before KWin restarts");
    QTRY_VERIFY_WITH_TIMEOUT(logged("before KWin restarts"), 20000);
    QVERIFY(scriptLoaded());

    // KWin ends, as in a crash, and starts again just as it was started.
    const QString pid = QString::number(bus.interface()->servicePid("org.kde.KWin").value());
    const auto proc = [&](const char *what) {
        QFile file("/proc/" + pid + "/" + what);
        return file.open(QIODevice::ReadOnly) ? file.readAll().split('\0') : QList<QByteArray>();
    };
    const QString program = QFile::symLinkTarget("/proc/" + pid + "/exe");
    QStringList args;
    for (const QByteArray &arg : proc("cmdline").mid(1))
        if (!arg.isEmpty())
            args << QString::fromLocal8Bit(arg);
    QProcessEnvironment env;
    for (const QByteArray &pair : proc("environ"))
        if (pair.contains('='))
            env.insert(QString::fromLocal8Bit(pair.left(pair.indexOf('='))), QString::fromLocal8Bit(pair.mid(pair.indexOf('=') + 1)));
    QVERIFY(!program.isEmpty() && !args.isEmpty());
    QVERIFY(::kill(pid_t(pid.toInt()), SIGTERM) == 0);
    // Gone once its process is (the session reaps it only at the end).
    QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists("/proc/" + pid) || proc("stat").value(0).contains(") Z "), 10000);
    before.reset();
    QProcess kwin;
    kwin.setProcessEnvironment(env);
    kwin.setStandardOutputFile(QDir::tempPath() + "/kwin-restarted.log");
    kwin.setStandardErrorFile(QDir::tempPath() + "/kwin-restarted.log");
    kwin.start(program, args);
    QVERIFY(kwin.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(scriptLoaded(), 15000);
    auto after = window("after KWin restarted");
    QTRY_VERIFY_WITH_TIMEOUT(logged("after KWin restarted"), 20000);

    // kesto ends: KWin no longer runs its script.
    run(binDir() + "/kesto", {"--quit"});
    QVERIFY(kesto.process().waitForFinished(10000));
    QCOMPARE(kesto.process().exitCode(), 0);
    QVERIFY(!scriptLoaded());
    after.reset();
    kwin.terminate();
    kwin.waitForFinished(10000);
}

void TestWaylandKWin::showWindow()
{
    const QString title = qEnvironmentVariable("KESTO_TEST_WINDOW");
    if (title.isEmpty())
        QSKIP("a window that kwinRestartsUnderKesto shows");
    QWidget window;
    window.setWindowTitle(title);
    window.show();
    QTest::qWait(120000);
}

QTEST_MAIN(TestWaylandKWin)
#include "tst_wayland_kwin.moc"

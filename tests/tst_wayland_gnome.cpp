// The GNOME Shell backend and the real kesto on a real GNOME Shell
// (gnome-shell --headless, tests/gnome-session.sh) with kesto's extension.
#include "desktoptools.h"
#include "foregroundwindow.h"
#include "systembackend.h"
#include "testsupport.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFileInfo>
#include <QTest>
#include <QWidget>

#include <memory>

using namespace DesktopTools;
using namespace TestSupport;

namespace {

// A key pressed through Mutter's remote desktop, as gnome-remote-desktop
// hands on a remote user's keys: Mutter takes it as input from the user.
// The session lives as long as this connection to the bus.
bool pressShiftRemotely()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString service = "org.gnome.Mutter.RemoteDesktop";
    static QString session;
    if (session.isEmpty()) {
        const QDBusMessage created = bus.call(QDBusMessage::createMethodCall(
            service, "/org/gnome/Mutter/RemoteDesktop", service, "CreateSession"));
        session = created.arguments().value(0).value<QDBusObjectPath>().path();
        if (session.isEmpty())
            return false;
        bus.call(QDBusMessage::createMethodCall(service, session, service + ".Session", "Start"));
    }
    for (bool pressed : {true, false}) {
        QDBusMessage key = QDBusMessage::createMethodCall(service, session, service + ".Session", "NotifyKeyboardKeysym");
        key << uint(0xffe1) << pressed;
        if (bus.call(key).type() != QDBusMessage::ReplyMessage)
            return false;
    }
    return true;
}

// The session manager's answer about inhibitors, as a player that holds one
// would make it. gnome-shell --headless runs without a session manager.
class FakeSessionManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.SessionManager")

public:
    bool idleInhibited = false;

public slots:
    bool IsInhibited(uint flags) { return (flags & 8) && idleInhibited; }
};

} // namespace

class TestWaylandGnome : public QObject
{
    Q_OBJECT

private slots:
    void extensionTurnedOnLater();
    void kestoLogsItsPromptInFront();
    void idleTime();
};

void TestWaylandGnome::extensionTurnedOnLater()
{
    const QString title = QString::fromUtf8("GNOME — Grüße 東京");
    QWidget window;
    window.setWindowTitle(title);
    window.show();
    QTest::qWait(1000);

    // Installed but off: nothing, and the user is told the command.
    std::unique_ptr<ForegroundWindowSource> source(createSystemForegroundWindowSource());
    QVERIFY(!source->isAvailable());
    QVERIFY(!source->sample());
    QVERIFY2(source->unavailableReason().contains("gnome-extensions enable kesto-gnome43@vrensk.example"),
             qPrintable(source->unavailableReason()));

    // Turned on as told: used at once, without a restart.
    run("gnome-extensions", {"enable", "kesto-gnome43@vrensk.example"});
    std::optional<ForegroundSample> s;
    QTRY_VERIFY_WITH_TIMEOUT((s = source->sample()) && s->title == title, 10000);
    QCOMPARE(s->path, QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath());
    // Asked without waiting: the same answer, through the event loop.
    const RequestedSample asked = requestSample(*source);
    QVERIFY(asked.returnedFirst);
    QVERIFY(asked.sample && asked.sample->title == title && asked.sample->path == s->path);

    window.setWindowTitle("renamed");
    QTRY_VERIFY_WITH_TIMEOUT((s = source->sample()) && s->title == "renamed", 10000);
    window.close();
    QTRY_VERIFY_WITH_TIMEOUT(!source->sample(), 10000);
}

void TestWaylandGnome::kestoLogsItsPromptInFront()
{
    Sandbox box;
    const auto kesto = startKestoAskingOnWayland(box);
    QVERIFY(kesto);
    // kesto's own sampler sees its prompt as the active window.
    QVERIFY(kestoLoggedItsPrompt(box));
    QCOMPARE(kesto->process().state(), QProcess::Running);
}

void TestWaylandGnome::idleTime()
{
    // Mutter's IdleMonitor tells when a threshold passes without input, and
    // when input comes again.
    std::unique_ptr<ForegroundWindowSource> source(createSystemForegroundWindowSource());
    const auto idle = [&] { return source->idleSeconds(2); };
    QTRY_COMPARE_WITH_TIMEOUT(idle(), std::optional<qint64>(0), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(idle().value_or(0) >= 2, 5000);
    QVERIFY(idle().value_or(0) <= 4);
    QVERIFY(pressShiftRemotely());
    QTRY_COMPARE_WITH_TIMEOUT(idle(), std::optional<qint64>(0), 3000);

    // While a program inhibits going idle, nobody is away; idle time counts
    // from the inhibition's end.
    FakeSessionManager manager;
    QDBusConnection bus = QDBusConnection::sessionBus();
    QVERIFY(bus.registerObject("/org/gnome/SessionManager", &manager, QDBusConnection::ExportAllSlots));
    QVERIFY(bus.registerService("org.gnome.SessionManager"));
    manager.idleInhibited = true;
    // Asked as the ticks ask, each answer kept for the next question.
    idle();
    QTest::qWait(300);
    for (int i = 0; i < 15; ++i) {
        QCOMPARE(idle(), std::optional<qint64>(0));
        QTest::qWait(200);
    }
    manager.idleInhibited = false;
    QTest::qWait(1000);
    QVERIFY(idle().value_or(0) < 2);
    QTRY_VERIFY_WITH_TIMEOUT(idle().value_or(0) >= 2, 5000);
    bus.unregisterService("org.gnome.SessionManager");
}

QTEST_MAIN(TestWaylandGnome)
#include "tst_wayland_gnome.moc"

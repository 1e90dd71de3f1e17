// The desktop's locked state over D-Bus, against a private session bus on
// which this test plays the desktop's screen saver, and the X11 backend
// that asks it.
#include "foregroundwindow.h"
#include "sessionlock.h"
#include "x11stage.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QtTest>

namespace {

class FakeScreenSaver : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    bool active = false;
public slots:
    bool GetActive() { return active; }
};

} // namespace

class TestSessionLock : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!qEnvironmentVariableIsEmpty("KESTO_SESSIONLOCK_CHILD"))
            return;
        // No bus at all: false at once, without trying to start one.
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!isSessionLocked());
        QVERIFY2(clock.elapsed() < 250, qPrintable(QString::number(clock.elapsed())));
    }

    void followsTheScreenSaver()
    {
        QProcess daemon;
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        if (!daemon.waitForStarted())
            QSKIP("dbus-daemon is not installed");
        QVERIFY(daemon.waitForReadyRead(10000));
        const QByteArray address = daemon.readLine().trimmed();
        QVERIFY(!address.isEmpty());

        // A fresh process's view: the watch decides on its first use which
        // buses exist, so this part runs as a child with the bus in place.
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromUtf8(address));
        env.insert(QStringLiteral("KESTO_SESSIONLOCK_CHILD"), QStringLiteral("1"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("childRun")});
        QVERIFY(child.waitForFinished(60000));
        daemon.terminate();
        daemon.waitForFinished();
        QCOMPARE(child.exitCode(), 0);
    }

    void childRun()
    {
        if (qEnvironmentVariableIsEmpty("KESTO_SESSIONLOCK_CHILD"))
            QSKIP("run by followsTheScreenSaver");
        FakeScreenSaver saver;
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &saver,
                                   QDBusConnection::ExportAllSlots));
        // Before anyone owns the name the call fails: not locked.
        QVERIFY(!isSessionLocked());
        QTest::qWait(200);
        QVERIFY(!isSessionLocked());

        X11Stage stage;
        QVERIFY(stage.isConnected());
        stage.stage(X11Stage::Kind::Utf8NetName);
        QVERIFY(foregroundWindowSource()->sample());

        QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
        saver.active = true;
        QTRY_VERIFY(isSessionLocked());
        // A locked session has no window in front, whatever X11 says.
        QVERIFY(!foregroundWindowSource()->sample());
        saver.active = false;
        QTRY_VERIFY(!isSessionLocked());
        QVERIFY(foregroundWindowSource()->sample());
    }
};

QTEST_GUILESS_MAIN(TestSessionLock)
#include "tst_sessionlock.moc"

#include "sessionlock.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QDir>
#include <QFileInfo>
#include <QObject>
#include <QPointer>
#include <QThread>

namespace {

// A desktop that does not answer within this time is taken as not locked.
constexpr int kReplyTimeoutMs = 1000;

// Without an address libdbus would try to autolaunch a bus, which can take
// seconds; only a bus that is plainly there is asked.
bool sessionBusPresent()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

bool systemBusPresent()
{
    return !qEnvironmentVariableIsEmpty("DBUS_SYSTEM_BUS_ADDRESS")
        || QFileInfo::exists(QStringLiteral("/run/dbus/system_bus_socket"))
        || QFileInfo::exists(QStringLiteral("/var/run/dbus/system_bus_socket"));
}

class SessionLockWatch : public QObject
{
public:
    explicit SessionLockWatch(QObject *parent)
        : QObject(parent)
        , askSession(sessionBusPresent())
        , askSystem(systemBusPresent())
    {
        if (!askSession && !askSystem)
            return;
        // Connecting waits for the bus's answer; a hung bus must not hang
        // the interface, so the buses are reached from a thread of their
        // own. The connections are shared by the whole process.
        const bool session = askSession;
        const bool system = askSystem;
        QThread *connector = QThread::create([session, system] {
            if (session)
                QDBusConnection::sessionBus();
            if (system)
                QDBusConnection::systemBus();
        });
        connect(connector, &QThread::finished, this, [this] { connected = true; });
        connect(connector, &QThread::finished, connector, &QObject::deleteLater);
        connector->start();
    }

    bool locked() const { return screenSaverActive || lockedHint; }

    void refresh()
    {
        if (!connected)
            return;
        if (askSession && !sessionPending) {
            QDBusMessage call = QDBusMessage::createMethodCall(
                QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
                QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("GetActive"));
            // Asking must never start a screen saver that is not running.
            call.setAutoStartService(false);
            sessionPending = send(QDBusConnection::sessionBus(), call, &screenSaverActive, &sessionPending);
            if (!sessionPending)
                askSession = false;
        }
        if (askSystem && !systemPending) {
            QDBusMessage call = QDBusMessage::createMethodCall(
                QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1/session/auto"),
                QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
            call << QStringLiteral("org.freedesktop.login1.Session") << QStringLiteral("LockedHint");
            call.setAutoStartService(false);
            systemPending = send(QDBusConnection::systemBus(), call, &lockedHint, &systemPending);
            if (!systemPending)
                askSystem = false;
        }
    }

private:
    // Sends the call; its reply lands in *answer (false on any error) and
    // clears *pending. False when the bus cannot be reached at all.
    bool send(QDBusConnection bus, const QDBusMessage &call, bool *answer, bool *pending)
    {
        if (!bus.isConnected())
            return false;
        auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kReplyTimeoutMs), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [answer, pending](QDBusPendingCallWatcher *w) {
            const QDBusMessage reply = w->reply();
            bool value = false;
            if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
                QVariant first = reply.arguments().constFirst();
                if (first.canConvert<QDBusVariant>())
                    first = first.value<QDBusVariant>().variant();
                value = first.toBool();
            }
            *answer = value;
            *pending = false;
            w->deleteLater();
        });
        return true;
    }

    bool askSession;
    bool askSystem;
    bool connected = false;
    bool sessionPending = false;
    bool systemPending = false;
    bool screenSaverActive = false;
    bool lockedHint = false;
};

} // namespace

bool isSessionLocked()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return false;
    static QPointer<SessionLockWatch> watch;
    if (!watch)
        watch = new SessionLockWatch(app);
    watch->refresh();
    return watch->locked();
}

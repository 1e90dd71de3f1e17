// Idle time on GNOME: Mutter's IdleMonitor tells, over the session bus, when
// no input came for a given time and when input comes again; the session
// manager tells whether a program (a video, a call) inhibits going idle.
#include "linuxbackends.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QElapsedTimer>
#include <QObject>

#include <functional>
#include <memory>

namespace {

const QString kMonitor = QStringLiteral("org.gnome.Mutter.IdleMonitor");
const QString kMonitorPath = QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core");
const QString kSessionManager = QStringLiteral("org.gnome.SessionManager");
constexpr uint kInhibitIdle = 8;
constexpr int kCallTimeoutMs = 1000;

class GnomeIdleTime final : public QObject, public IdleTime
{
    Q_OBJECT

public:
    bool start()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(kMonitor).value())
            return false;
        bus.connect(kMonitor, kMonitorPath, kMonitor, QStringLiteral("WatchFired"), this, SLOT(watchFired(uint)));
        // A restarted shell has forgotten our watches.
        auto *owner = new QDBusServiceWatcher(kMonitor, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(owner, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] { forget(); });
        clock.start();
        return true;
    }

    std::optional<qint64> idleSeconds(int threshold) override
    {
        if (threshold <= 0)
            return std::nullopt;
        if (threshold != watched)
            watch(threshold);
        askInhibited();
        if (inhibited)
            presentAt = clock.elapsed();
        if (!idleWatch)
            return std::nullopt;
        if (!idle)
            return 0;
        // Inhibited time is presence: idle time counts from its end.
        return qMin(watched + (clock.elapsed() - idleSince) / 1000, (clock.elapsed() - presentAt) / 1000);
    }

private slots:
    void watchFired(uint id)
    {
        if (id == 0)
            return;
        if (id == idleWatch) {
            idle = true;
            idleSince = clock.elapsed();
            // Fires once, at the next input.
            call(QStringLiteral("AddUserActiveWatch"), {}, [this](const QDBusMessage &reply) {
                activeWatch = reply.arguments().value(0).toUInt();
                // Input that came before the watch did would go unseen.
                call(QStringLiteral("GetIdletime"), {}, [this](const QDBusMessage &time) {
                    if (!time.arguments().isEmpty() && time.arguments().constFirst().toULongLong() < quint64(watched) * 1000)
                        idle = false;
                });
            });
        } else if (id == activeWatch) {
            activeWatch = 0;
            idle = false;
        }
    }

private:
    void watch(int threshold)
    {
        if (idleWatch)
            call(QStringLiteral("RemoveWatch"), {idleWatch}, nullptr);
        idleWatch = 0;
        idle = false;
        watched = threshold;
        const quint64 ms = quint64(threshold) * 1000;
        call(QStringLiteral("AddIdleWatch"), {QVariant::fromValue(ms)}, [this, threshold](const QDBusMessage &reply) {
            const uint id = reply.arguments().value(0).toUInt();
            if (threshold != watched) {
                if (id)
                    call(QStringLiteral("RemoveWatch"), {id}, nullptr);
                return;
            }
            idleWatch = id;
            // Not answered: asked again next time.
            if (!idleWatch)
                watched = 0;
        });
    }

    void forget()
    {
        idleWatch = 0;
        activeWatch = 0;
        watched = 0;
        idle = false;
    }

    void askInhibited()
    {
        if (askingInhibited)
            return;
        QDBusMessage message = QDBusMessage::createMethodCall(kSessionManager, QStringLiteral("/org/gnome/SessionManager"),
                                                              kSessionManager, QStringLiteral("IsInhibited"));
        message << kInhibitIdle;
        askingInhibited = send(message, [this](const QDBusMessage &reply) {
            askingInhibited = false;
            inhibited = reply.arguments().value(0).toBool();
        });
    }

    void call(const QString &method, const QVariantList &args, std::function<void(const QDBusMessage &)> done)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(kMonitor, kMonitorPath, kMonitor, method);
        message.setArguments(args);
        send(message, std::move(done));
    }

    // done gets the reply, or an empty one on any error.
    bool send(QDBusMessage message, std::function<void(const QDBusMessage &)> done)
    {
        message.setAutoStartService(false);
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            return false;
        auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(message, kCallTimeoutMs), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [done](QDBusPendingCallWatcher *w) {
            const QDBusMessage reply = w->reply();
            if (done)
                done(reply.type() == QDBusMessage::ReplyMessage ? reply : QDBusMessage());
            w->deleteLater();
        });
        return true;
    }

    QElapsedTimer clock;
    int watched = 0;
    uint idleWatch = 0;
    uint activeWatch = 0;
    bool idle = false;
    qint64 idleSince = 0;
    bool askingInhibited = false;
    bool inhibited = false;
    qint64 presentAt = 0;
};

} // namespace

IdleTime *createGnomeIdleTime()
{
    auto idle = std::make_unique<GnomeIdleTime>();
    if (!idle->start())
        return nullptr;
    return idle.release();
}

#include "gnomeidle.moc"

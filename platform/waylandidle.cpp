// Idle time on Wayland compositors, over a connection of our own: they tell
// when no input came for a given time and when it comes again, not how long
// it has been. Idle inhibitors (a video, a call) hold the idle time back.
#include "linuxbackends.h"

#include "ext-idle-notify-v1-client-protocol.h"
#include "kde-idle-client-protocol.h"
#include <wayland-client.h>

#include <QElapsedTimer>
#include <QObject>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <memory>

#include <poll.h>

namespace {

class WaylandIdleTime final : public IdleTime
{
public:
    WaylandIdleTime() { clock.start(); }
    ~WaylandIdleTime() override { disconnect(); }

    // False when no compositor answers or it offers neither protocol.
    bool connect()
    {
        display = wl_display_connect(nullptr);
        if (!display)
            return false;
        registry = wl_display_get_registry(display);
        wl_registry_add_listener(registry, &registryListener, this);
        if (wl_display_roundtrip(display) < 0 || !seat || (!extName && !kdeName)) {
            disconnect();
            return false;
        }
        // The newer protocol when both are offered (KWin).
        if (extName)
            notifier = static_cast<ext_idle_notifier_v1 *>(
                wl_registry_bind(registry, extName, &ext_idle_notifier_v1_interface, 1));
        else
            kdeIdle = static_cast<org_kde_kwin_idle *>(wl_registry_bind(registry, kdeName, &org_kde_kwin_idle_interface, 1));
        // Read as the events come: the moment of crossing is what counts.
        socket = std::make_unique<QSocketNotifier>(wl_display_get_fd(display), QSocketNotifier::Read);
        QObject::connect(socket.get(), &QSocketNotifier::activated, [this] { dispatch(); });
        return true;
    }

    std::optional<qint64> idleSeconds(int threshold) override
    {
        if (threshold <= 0)
            return std::nullopt;
        if (!display && !connect())
            return std::nullopt;
        if (threshold != watched) {
            watch(threshold);
            wl_display_flush(display);
        }
        if (!dispatch())
            return std::nullopt;
        if (!idle)
            return 0;
        return watched + (clock.elapsed() - idleSince) / 1000;
    }

private:
    // A new threshold is a new watch; it counts from now.
    void watch(int threshold)
    {
        unwatch();
        watched = threshold;
        const uint32_t ms = uint32_t(qMin<qint64>(qint64(threshold) * 1000, UINT32_MAX));
        if (notifier) {
            notification = ext_idle_notifier_v1_get_idle_notification(notifier, ms, seat);
            ext_idle_notification_v1_add_listener(notification, &notificationListener, this);
        } else {
            timeout = org_kde_kwin_idle_get_idle_timeout(kdeIdle, seat, ms);
            org_kde_kwin_idle_timeout_add_listener(timeout, &timeoutListener, this);
        }
    }

    void unwatch()
    {
        if (notification)
            ext_idle_notification_v1_destroy(notification);
        notification = nullptr;
        if (timeout)
            org_kde_kwin_idle_timeout_release(timeout);
        timeout = nullptr;
        idle = false;
        watched = 0;
    }

    // Handles what has arrived without waiting; false when the connection is gone.
    bool dispatch()
    {
        if (!display)
            return false;
        while (wl_display_prepare_read(display) != 0) {
            if (wl_display_dispatch_pending(display) < 0)
                return lost();
        }
        if (wl_display_flush(display) < 0 && errno != EAGAIN) {
            wl_display_cancel_read(display);
            return lost();
        }
        pollfd p{wl_display_get_fd(display), POLLIN, 0};
        if (::poll(&p, 1, 0) > 0) {
            if (wl_display_read_events(display) < 0)
                return lost();
        } else {
            wl_display_cancel_read(display);
        }
        if (wl_display_dispatch_pending(display) < 0)
            return lost();
        return true;
    }

    bool lost()
    {
        // The compositor went away; the next question connects anew.
        disconnect();
        return false;
    }

    void disconnect()
    {
        if (socket) {
            socket->setEnabled(false);
            socket.release()->deleteLater();
        }
        if (display)
            unwatch();
        if (notifier)
            ext_idle_notifier_v1_destroy(notifier);
        notifier = nullptr;
        if (kdeIdle)
            org_kde_kwin_idle_destroy(kdeIdle);
        kdeIdle = nullptr;
        if (seat)
            wl_seat_destroy(seat);
        seat = nullptr;
        if (registry)
            wl_registry_destroy(registry);
        registry = nullptr;
        if (display)
            wl_display_disconnect(display);
        display = nullptr;
    }

    void becameIdle()
    {
        idle = true;
        idleSince = clock.elapsed();
    }

    static void onGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t)
    {
        auto *self = static_cast<WaylandIdleTime *>(data);
        if (!self->seat && std::strcmp(interface, wl_seat_interface.name) == 0)
            self->seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0)
            self->extName = name;
        else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0)
            self->kdeName = name;
    }
    static void onGlobalRemove(void *, wl_registry *, uint32_t) {}
    static void onIdled(void *data, ext_idle_notification_v1 *) { static_cast<WaylandIdleTime *>(data)->becameIdle(); }
    static void onResumed(void *data, ext_idle_notification_v1 *) { static_cast<WaylandIdleTime *>(data)->idle = false; }
    static void onKdeIdle(void *data, org_kde_kwin_idle_timeout *) { static_cast<WaylandIdleTime *>(data)->becameIdle(); }
    static void onKdeResumed(void *data, org_kde_kwin_idle_timeout *) { static_cast<WaylandIdleTime *>(data)->idle = false; }

    static constexpr wl_registry_listener registryListener{onGlobal, onGlobalRemove};
    static constexpr ext_idle_notification_v1_listener notificationListener{onIdled, onResumed};
    static constexpr org_kde_kwin_idle_timeout_listener timeoutListener{onKdeIdle, onKdeResumed};

    wl_display *display = nullptr;
    wl_registry *registry = nullptr;
    wl_seat *seat = nullptr;
    ext_idle_notifier_v1 *notifier = nullptr;
    org_kde_kwin_idle *kdeIdle = nullptr;
    uint32_t extName = 0;
    uint32_t kdeName = 0;
    ext_idle_notification_v1 *notification = nullptr;
    org_kde_kwin_idle_timeout *timeout = nullptr;
    std::unique_ptr<QSocketNotifier> socket;
    QElapsedTimer clock;
    int watched = 0;
    bool idle = false;
    qint64 idleSince = 0;
};

} // namespace

IdleTime *createWaylandIdleTime()
{
    auto idle = std::make_unique<WaylandIdleTime>();
    if (!idle->connect())
        return nullptr;
    return idle.release();
}

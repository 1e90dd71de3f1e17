// Foreground window on wlroots compositors (sway, Hyprland, Wayfire, river,
// labwc...): their toplevel list, read over a Wayland connection of our own.
#include "foregroundwindow.h"
#include "linuxbackends.h"
#include "waylandwindows.h"
#include "x11titles.h"

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"
#include <wayland-client.h>

#include <QHash>
#include <QObject>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <list>
#include <memory>

#include <poll.h>

namespace {

constexpr uint32_t kActivatedState = ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;

class WlrForegroundWindow final : public ForegroundWindowSource
{
public:
    ~WlrForegroundWindow() override { disconnect(); }

    // Connects and reads the current windows; false with a reason when this
    // compositor cannot be asked.
    bool connect(QString *whyNot)
    {
        display = wl_display_connect(nullptr);
        if (!display) {
            if (whyNot)
                *whyNot = QStringLiteral("no Wayland compositor answers on WAYLAND_DISPLAY");
            return false;
        }
        registry = wl_display_get_registry(display);
        wl_registry_add_listener(registry, &registryListener, this);
        // One round trip for the globals, one for the windows they announce.
        if (wl_display_roundtrip(display) < 0 || !manager || wl_display_roundtrip(display) < 0) {
            const bool offered = manager != nullptr;
            disconnect();
            if (whyNot)
                *whyNot = offered ? QStringLiteral("the Wayland compositor closed the connection")
                                  : QStringLiteral("the compositor offers no zwlr_foreign_toplevel_manager_v1");
            return false;
        }
        // Read events as they come: a compositor drops a client whose
        // unread events fill its buffer (a terminal retitling itself fast).
        notifier = std::make_unique<QSocketNotifier>(wl_display_get_fd(display), QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [this] { dispatch(); });
        return true;
    }

    std::optional<ForegroundSample> sample() override
    {
        const Toplevel *active = activeWindow();
        if (!active)
            return std::nullopt;
        // The protocol names no process; the compositor's own IPC does.
        qint64 pid = 0;
        const QString title = active->current.title;
        if (!swaySocket().isEmpty())
            pid = WaylandWindows::focusedPidInSwayTree(WaylandWindows::swayTree(swaySocket()), title);
        else if (!hyprlandInstance().isEmpty())
            pid = WaylandWindows::pidInHyprlandWindow(WaylandWindows::hyprlandActiveWindow(hyprlandInstance()), title);
        return sampleOf(title, active->current.appId, pid);
    }

    void requestSample(SampleCallback done) override
    {
        // The window list is at hand; only the compositor's IPC is asked,
        // and its answer is waited for in the event loop.
        SampleCallback answer = newest.take(std::move(done));
        const Toplevel *active = activeWindow();
        if (!active) {
            answer(std::nullopt);
            return;
        }
        const QString title = active->current.title;
        const QString appId = active->current.appId;
        const auto answerWith = [this, title, appId, answer](qint64 pid) { answer(sampleOf(title, appId, pid)); };
        if (!swaySocket().isEmpty())
            WaylandWindows::swayTreeLater(swaySocket(), &requests, [answerWith, title](const QByteArray &tree) {
                answerWith(WaylandWindows::focusedPidInSwayTree(tree, title));
            });
        else if (!hyprlandInstance().isEmpty())
            WaylandWindows::hyprlandActiveWindowLater(hyprlandInstance(), &requests, [answerWith, title](const QByteArray &window) {
                answerWith(WaylandWindows::pidInHyprlandWindow(window, title));
            });
        else
            answerWith(0);
    }

private:
    struct State
    {
        QString title;
        QString appId;
        bool activated = false;
    };
    struct Toplevel
    {
        WlrForegroundWindow *owner = nullptr;
        zwlr_foreign_toplevel_handle_v1 *handle = nullptr;
        State current;
        State pending;
    };

    static QString swaySocket() { return qEnvironmentVariable("SWAYSOCK"); }
    static QString hyprlandInstance() { return qEnvironmentVariable("HYPRLAND_INSTANCE_SIGNATURE"); }

    // The window in front with a title, after what the compositor has sent;
    // nullptr when there is none or the compositor cannot be reached.
    const Toplevel *activeWindow()
    {
        if (!display && !connect(nullptr))
            return nullptr;
        if (!dispatch())
            return nullptr;
        const Toplevel *active = nullptr;
        for (const Toplevel &t : toplevels)
            if (t.current.activated)
                active = &t;
        return active && !active->current.title.isEmpty() ? active : nullptr;
    }

    // pid is what the compositor's IPC said of the window, 0 when it could not tell.
    std::optional<ForegroundSample> sampleOf(const QString &title, const QString &appId, qint64 pid)
    {
        const QString path = executableOf(appId, pid);
        if (path.isEmpty())
            return std::nullopt;
        return ForegroundSample{truncateForLog(title), truncateForLog(path)};
    }

    QString executableOf(const QString &appId, qint64 pid)
    {
        if (pid > 0) {
            const QString path = X11Titles::executableOfProcess(pid);
            if (!path.isEmpty())
                return path;
        }
        // Found programs are remembered; misses are looked for again, since
        // the program may be installed meanwhile.
        auto known = programOfAppId.constFind(appId);
        if (known != programOfAppId.constEnd())
            return *known;
        const QString path = WaylandWindows::executableForAppId(appId);
        if (!path.isEmpty())
            programOfAppId.insert(appId, path);
        return path;
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
        if (wl_display_dispatch_pending(display) < 0 || !manager)
            return lost();
        return true;
    }

    bool lost()
    {
        // The compositor went away or restarted; the next sample connects anew.
        disconnect();
        return false;
    }

    void disconnect()
    {
        // The notifier may be the one whose signal brought us here.
        if (notifier) {
            notifier->setEnabled(false);
            notifier.release()->deleteLater();
        }
        for (Toplevel &t : toplevels)
            zwlr_foreign_toplevel_handle_v1_destroy(t.handle);
        toplevels.clear();
        if (manager)
            zwlr_foreign_toplevel_manager_v1_destroy(manager);
        manager = nullptr;
        if (registry)
            wl_registry_destroy(registry);
        registry = nullptr;
        if (display)
            wl_display_disconnect(display);
        display = nullptr;
    }

    static void onGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t version)
    {
        auto *self = static_cast<WlrForegroundWindow *>(data);
        if (self->manager || std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) != 0)
            return;
        const uint32_t wanted = std::min<uint32_t>(version, 3);
        self->manager = static_cast<zwlr_foreign_toplevel_manager_v1 *>(
            wl_registry_bind(registry, name, &zwlr_foreign_toplevel_manager_v1_interface, wanted));
        zwlr_foreign_toplevel_manager_v1_add_listener(self->manager, &managerListener, self);
    }
    static void onGlobalRemove(void *, wl_registry *, uint32_t) {}

    static void onToplevel(void *data, zwlr_foreign_toplevel_manager_v1 *, zwlr_foreign_toplevel_handle_v1 *handle)
    {
        auto *self = static_cast<WlrForegroundWindow *>(data);
        self->toplevels.push_back(Toplevel{self, handle, {}, {}});
        zwlr_foreign_toplevel_handle_v1_add_listener(handle, &handleListener, &self->toplevels.back());
    }
    static void onFinished(void *data, zwlr_foreign_toplevel_manager_v1 *manager)
    {
        auto *self = static_cast<WlrForegroundWindow *>(data);
        zwlr_foreign_toplevel_manager_v1_destroy(manager);
        self->manager = nullptr;
    }

    static void onTitle(void *data, zwlr_foreign_toplevel_handle_v1 *, const char *title)
    {
        static_cast<Toplevel *>(data)->pending.title = QString::fromUtf8(title);
    }
    static void onAppId(void *data, zwlr_foreign_toplevel_handle_v1 *, const char *appId)
    {
        static_cast<Toplevel *>(data)->pending.appId = QString::fromUtf8(appId);
    }
    static void onOutput(void *, zwlr_foreign_toplevel_handle_v1 *, wl_output *) {}
    static void onState(void *data, zwlr_foreign_toplevel_handle_v1 *, wl_array *states)
    {
        bool activated = false;
        const auto *state = static_cast<const uint32_t *>(states->data);
        for (size_t i = 0; i < states->size / sizeof(uint32_t); ++i)
            activated = activated || state[i] == kActivatedState;
        static_cast<Toplevel *>(data)->pending.activated = activated;
    }
    static void onDone(void *data, zwlr_foreign_toplevel_handle_v1 *)
    {
        // Changes count only once the compositor says they are complete.
        auto *t = static_cast<Toplevel *>(data);
        t->current = t->pending;
    }
    static void onClosed(void *data, zwlr_foreign_toplevel_handle_v1 *handle)
    {
        auto *t = static_cast<Toplevel *>(data);
        WlrForegroundWindow *self = t->owner;
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
        self->toplevels.remove_if([handle](const Toplevel &x) { return x.handle == handle; });
    }
    static void onParent(void *, zwlr_foreign_toplevel_handle_v1 *, zwlr_foreign_toplevel_handle_v1 *) {}

    static constexpr wl_registry_listener registryListener{onGlobal, onGlobalRemove};
    static constexpr zwlr_foreign_toplevel_manager_v1_listener managerListener{onToplevel, onFinished};
    static constexpr zwlr_foreign_toplevel_handle_v1_listener handleListener{
        onTitle, onAppId, onOutput, onOutput, onState, onDone, onClosed, onParent};

    wl_display *display = nullptr;
    wl_registry *registry = nullptr;
    zwlr_foreign_toplevel_manager_v1 *manager = nullptr;
    // A list keeps each window's address, which its listener holds.
    std::list<Toplevel> toplevels;
    std::unique_ptr<QSocketNotifier> notifier;
    QHash<QString, QString> programOfAppId;
    // Parent of the IPC questions on their way: they end with this backend.
    QObject requests;
    NewestSampleRequest newest;
};

} // namespace

ForegroundWindowSource *createWlrForegroundWindow(QString *whyNot)
{
    auto source = std::make_unique<WlrForegroundWindow>();
    if (!source->connect(whyNot))
        return nullptr;
    return source.release();
}

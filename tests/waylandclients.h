#pragma once
// Small Wayland clients of the tests' own, each on a connection of its own.

struct org_kde_kwin_fake_input;
struct wl_compositor;
struct wl_display;
struct wl_registry;
struct wl_surface;
struct zwp_idle_inhibit_manager_v1;
struct zwp_idle_inhibitor_v1;

// Keeps the desktop from going idle, as a video player or a call does: an
// idle inhibitor on a surface of its own.
class IdleInhibitor
{
public:
    IdleInhibitor();
    ~IdleInhibitor();
    // Whether the compositor took the inhibitor.
    bool isHeld() const { return inhibitor != nullptr; }

private:
    wl_display *display = nullptr;
    wl_registry *registry = nullptr;
    wl_compositor *compositor = nullptr;
    zwp_idle_inhibit_manager_v1 *manager = nullptr;
    wl_surface *surface = nullptr;
    zwp_idle_inhibitor_v1 *inhibitor = nullptr;
};

// Moves KWin's pointer through its fake input, as KDE Connect's touchpad
// does; KWin takes it as input from the user. False when KWin refused.
bool nudgeKWinPointer();

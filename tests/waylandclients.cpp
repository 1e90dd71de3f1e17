#include "waylandclients.h"

#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "kde-fake-input-client-protocol.h"
#include <wayland-client.h>

#include <cstring>

namespace {

struct Globals
{
    wl_compositor *compositor = nullptr;
    zwp_idle_inhibit_manager_v1 *inhibitManager = nullptr;
    org_kde_kwin_fake_input *fakeInput = nullptr;
};

void onGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t)
{
    auto *found = static_cast<Globals *>(data);
    if (std::strcmp(interface, wl_compositor_interface.name) == 0)
        found->compositor = static_cast<wl_compositor *>(wl_registry_bind(registry, name, &wl_compositor_interface, 1));
    else if (std::strcmp(interface, zwp_idle_inhibit_manager_v1_interface.name) == 0)
        found->inhibitManager = static_cast<zwp_idle_inhibit_manager_v1 *>(
            wl_registry_bind(registry, name, &zwp_idle_inhibit_manager_v1_interface, 1));
    else if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0)
        found->fakeInput = static_cast<org_kde_kwin_fake_input *>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 1));
}
void onGlobalRemove(void *, wl_registry *, uint32_t) {}
const wl_registry_listener listener{onGlobal, onGlobalRemove};

} // namespace

IdleInhibitor::IdleInhibitor()
{
    display = wl_display_connect(nullptr);
    if (!display)
        return;
    Globals found;
    registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &found);
    wl_display_roundtrip(display);
    compositor = found.compositor;
    manager = found.inhibitManager;
    if (found.fakeInput)
        org_kde_kwin_fake_input_destroy(found.fakeInput);
    if (!compositor || !manager)
        return;
    surface = wl_compositor_create_surface(compositor);
    inhibitor = zwp_idle_inhibit_manager_v1_create_inhibitor(manager, surface);
    if (wl_display_roundtrip(display) < 0)
        inhibitor = nullptr;
}

IdleInhibitor::~IdleInhibitor()
{
    if (inhibitor)
        zwp_idle_inhibitor_v1_destroy(inhibitor);
    if (surface)
        wl_surface_destroy(surface);
    if (manager)
        zwp_idle_inhibit_manager_v1_destroy(manager);
    if (compositor)
        wl_compositor_destroy(compositor);
    if (registry)
        wl_registry_destroy(registry);
    if (display) {
        wl_display_roundtrip(display);
        wl_display_disconnect(display);
    }
}

bool nudgeKWinPointer()
{
    wl_display *display = wl_display_connect(nullptr);
    if (!display)
        return false;
    Globals found;
    wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &found);
    wl_display_roundtrip(display);
    bool sent = false;
    if (found.fakeInput) {
        org_kde_kwin_fake_input_authenticate(found.fakeInput, "kesto tests", "input of a user who is back");
        org_kde_kwin_fake_input_pointer_motion(found.fakeInput, wl_fixed_from_int(3), wl_fixed_from_int(2));
        sent = wl_display_roundtrip(display) >= 0;
        org_kde_kwin_fake_input_destroy(found.fakeInput);
    }
    if (found.compositor)
        wl_compositor_destroy(found.compositor);
    if (found.inhibitManager)
        zwp_idle_inhibit_manager_v1_destroy(found.inhibitManager);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return sent;
}

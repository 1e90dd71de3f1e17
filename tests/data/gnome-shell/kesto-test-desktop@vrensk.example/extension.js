// Test helper: leaves the overview GNOME Shell starts in (and keeps out of
// it), as a user would, so that windows get the focus.
const {GLib} = imports.gi;
const Main = imports.ui.main;

function init() {
    return {
        enable() {
            GLib.timeout_add(GLib.PRIORITY_DEFAULT, 500, () => {
                if (Main.overview.visible)
                    Main.overview.hide();
                return GLib.SOURCE_CONTINUE;
            });
        },
        disable() {},
    };
}

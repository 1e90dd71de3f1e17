// Answers kesto's question "which window has the focus?" on the session bus.
// GNOME Shell 43 and 44 load extensions in this older form.
'use strict';

const {Gio} = imports.gi;

const INTERFACE = `
<node>
  <interface name="example.vrensk.kesto.FocusedWindow">
    <method name="Get">
      <arg type="s" direction="out" name="title"/>
      <arg type="u" direction="out" name="pid"/>
    </method>
  </interface>
</node>`;

class KestoExtension {
    enable() {
        this._object = Gio.DBusExportedObject.wrapJSObject(INTERFACE, {
            Get() {
                const w = global.display.focus_window;
                return w ? [w.get_title() || '', Math.max(0, w.get_pid())] : ['', 0];
            },
        });
        this._object.export(Gio.DBus.session, '/example/vrensk/kesto/FocusedWindow');
    }

    disable() {
        if (this._object)
            this._object.unexport();
        this._object = null;
    }
}

function init() {
    return new KestoExtension();
}

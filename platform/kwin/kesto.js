// Loaded into KWin by kesto: tells kesto, over the session bus, which window
// is active and what its caption is, on every activation and caption change.
// KWin 5 calls windows "clients"; KWin 6 calls them "windows". The pid goes
// as text: D-Bus would get a JavaScript number as a double.
var service = "example.vrensk.kesto";
var path = "/ForegroundWindow";
var iface = "example.vrensk.kesto.ForegroundWindow";
var watched = null;

function report() {
    var w = workspace.activeWindow !== undefined ? workspace.activeWindow : workspace.activeClient;
    if (w && !w.deleted) {
        callDBus(service, path, iface, "Update", String(w.caption), String(w.pid));
    } else {
        callDBus(service, path, iface, "Update", "", "0");
    }
}

function activated(w) {
    if (watched) {
        watched.captionChanged.disconnect(report);
    }
    watched = w || null;
    if (watched) {
        watched.captionChanged.connect(report);
    }
    report();
}

if (workspace.windowActivated !== undefined) {
    workspace.windowActivated.connect(activated);
    activated(workspace.activeWindow);
} else {
    workspace.clientActivated.connect(activated);
    activated(workspace.activeClient);
}

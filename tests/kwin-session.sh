#!/bin/sh
# Runs a command in a private headless KDE Plasma compositor (kwin_wayland
# --virtual) on a D-Bus session bus of its own. Under root the compositor and
# the command run as "nobody", as in tests/wayland-session.sh.
# Usage: kwin-session.sh COMMAND [ARGS...]
set -u
if ! command -v kwin_wayland >/dev/null || ! command -v foot >/dev/null; then
    echo "SKIP: kwin-wayland and foot are not installed (sh tools/dev.sh test installs them)"
    exit 77
fi

. "$(dirname "$0")/session-dirs.sh"
# kwin_wayland carries a file capability; where the container's bounding set
# lacks it, the kernel refuses to start the file. A plain copy has none.
cp /usr/bin/kwin_wayland "$workdir/kwin_wayland"
[ -z "$as" ] || chown nobody:nogroup "$runtime" "$home"
. "$(dirname "$0")/nobody-stage.sh"
cat >"$workdir/inner.sh" <<'INNER'
kwin=$1; shift
"$kwin" --virtual --no-lockscreen --socket kesto-kwin --width 1280 --height 800 \
    >"$XDG_RUNTIME_DIR/kwin.log" 2>&1 &
pid=$!
i=0
until [ -S "$XDG_RUNTIME_DIR/kesto-kwin" ] \
    && dbus-send --session --print-reply --dest=org.kde.KWin /Scripting org.freedesktop.DBus.Peer.Ping >/dev/null 2>&1; do
    i=$((i + 1))
    if [ $i -gt 200 ]; then echo "kwin-session: KWin did not start" >&2; cat "$XDG_RUNTIME_DIR/kwin.log" >&2; exit 1; fi
    sleep 0.1
done
WAYLAND_DISPLAY=kesto-kwin "$@"
status=$?
kill $pid
wait $pid 2>/dev/null
[ $status = 0 ] || tail -20 "$XDG_RUNTIME_DIR/kwin.log" >&2
exit $status
INNER

# shellcheck disable=SC2086
$as env -u DISPLAY -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS -u SWAYSOCK HOME="$home" XDG_RUNTIME_DIR="$runtime" \
    XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=KDE LC_ALL=C.UTF-8 \
    dbus-run-session -- sh "$workdir/inner.sh" "$workdir/kwin_wayland" "$@"
status=$?
rm -rf "$workdir"
exit $status

#!/bin/sh
# Runs a command in a private headless GNOME Shell (gnome-shell --headless)
# with kesto's extensions installed for its user but not turned on, on
# session and system buses of its own. Under root the shell and the command
# run as "nobody", as in tests/wayland-session.sh.
# Usage: gnome-session.sh COMMAND [ARGS...]
set -u
if ! command -v gnome-shell >/dev/null || ! command -v gdbus >/dev/null; then
    echo "SKIP: gnome-shell is not installed (sh tools/dev.sh test installs it)"
    exit 77
fi
source_dir=$(cd "$(dirname "$0")/.." && pwd)

. "$(dirname "$0")/session-dirs.sh"
mkdir -p "$home/.local/share/gnome-shell/extensions"
cp -r "$source_dir"/platform/gnome-shell/* "$home/.local/share/gnome-shell/extensions/"
# A helper of the tests' own leaves the overview GNOME starts in, as a user would.
cp -r "$source_dir"/tests/data/gnome-shell/* "$home/.local/share/gnome-shell/extensions/"
[ -z "$as" ] || chown -R nobody:nogroup "$runtime" "$home"
. "$(dirname "$0")/nobody-stage.sh"
cat >"$workdir/inner.sh" <<'INNER'
# The shell wants a system bus (logind, accounts); a private one will do.
DBUS_SYSTEM_BUS_ADDRESS=$(dbus-daemon --session --fork --print-address=1 --print-pid=3 3>"$XDG_RUNTIME_DIR/system-bus.pid")
export DBUS_SYSTEM_BUS_ADDRESS
gnome-shell --headless --wayland --no-x11 --virtual-monitor 1280x800 --wayland-display kesto-gnome \
    >"$XDG_RUNTIME_DIR/gnome-shell.log" 2>&1 &
pid=$!
i=0
until gdbus call --session -d org.gnome.Shell -o /org/gnome/Shell -m org.freedesktop.DBus.Properties.Get \
        org.gnome.Shell ShellVersion >/dev/null 2>&1; do
    i=$((i + 1))
    if [ $i -gt 300 ]; then echo "gnome-session: GNOME Shell did not start" >&2; cat "$XDG_RUNTIME_DIR/gnome-shell.log" >&2; exit 1; fi
    sleep 0.1
done
gnome-extensions enable kesto-test-desktop@vrensk.example
WAYLAND_DISPLAY=kesto-gnome "$@"
status=$?
kill $pid
wait $pid 2>/dev/null
kill "$(cat "$XDG_RUNTIME_DIR/system-bus.pid")" 2>/dev/null
[ $status = 0 ] || grep -v '^dbus-daemon' "$XDG_RUNTIME_DIR/gnome-shell.log" | tail -20 >&2
exit $status
INNER

# shellcheck disable=SC2086
$as env -u DISPLAY -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS -u SWAYSOCK HOME="$home" XDG_RUNTIME_DIR="$runtime" \
    XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME LC_ALL=C.UTF-8 \
    dbus-run-session -- sh "$workdir/inner.sh" "$@"
status=$?
rm -rf "$workdir"
exit $status

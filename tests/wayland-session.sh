#!/bin/sh
# Runs a command in a private headless sway session with XWayland. sway
# refuses to run as root, so under root the compositor and the command run as
# "nobody", with a runtime directory and a home of their own.
# Usage: wayland-session.sh COMMAND [ARGS...]
# The command gets WAYLAND_DISPLAY, SWAYSOCK and DISPLAY (XWayland's).
set -u
if ! command -v sway >/dev/null || ! command -v foot >/dev/null; then
    echo "SKIP: sway and foot are not installed (sh tools/dev.sh test installs them)"
    exit 77
fi

. "$(dirname "$0")/session-dirs.sh"
[ -z "$as" ] || chown nobody:nogroup "$runtime" "$home"
. "$(dirname "$0")/nobody-stage.sh"
cat >"$workdir/sway.conf" <<'CONF'
output HEADLESS-1 resolution 1280x800
xwayland enable
CONF

# shellcheck disable=SC2086
$as env -i PATH="$PATH" HOME="$home" XDG_RUNTIME_DIR="$runtime" LC_ALL=C.UTF-8 \
    WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    sway -c "$workdir/sway.conf" >"$workdir/sway.log" 2>&1 &
sway=$!

i=0
socket=
while [ $i -lt 100 ]; do
    socket=$(ls "$runtime" 2>/dev/null | grep '^sway-ipc\..*\.sock$' | head -1)
    wayland=$(ls "$runtime" 2>/dev/null | grep '^wayland-[0-9]*$' | head -1)
    [ -n "$socket" ] && [ -n "$wayland" ] && break
    sleep 0.1
    i=$((i + 1))
done
if [ -z "$socket" ] || [ -z "$wayland" ]; then
    echo "wayland-session: sway did not start" >&2
    cat "$workdir/sway.log" >&2
    kill $sway 2>/dev/null
    rm -rf "$workdir"
    exit 1
fi
SWAYSOCK=$runtime/$socket

# XWayland's display is known to sway's children only.
# shellcheck disable=SC2086
$as env SWAYSOCK="$SWAYSOCK" swaymsg -q exec 'echo "$DISPLAY" >"$XDG_RUNTIME_DIR/x-display"'
i=0
while [ ! -s "$runtime/x-display" ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done

# shellcheck disable=SC2086
$as env HOME="$home" XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$wayland" SWAYSOCK="$SWAYSOCK" \
    DISPLAY="$(cat "$runtime/x-display" 2>/dev/null)" XDG_SESSION_TYPE=wayland "$@"
status=$?

kill $sway 2>/dev/null
wait $sway 2>/dev/null
[ $status = 0 ] || tail -20 "$workdir/sway.log" >&2
rm -rf "$workdir"
exit $status

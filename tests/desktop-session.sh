#!/bin/sh
# Runs a command on a private X desktop: Xvfb with icewm, whose taskbar holds
# a system tray; or with openbox, a window manager without any tray; or with
# no window manager at all.
# Usage: desktop-session.sh [--no-wm | --wm icewm|openbox] COMMAND [ARGS...]
set -u
wm_name=icewm
case "${1:-}" in
--no-wm) wm_name=; shift ;;
--wm) wm_name=$2; shift 2 ;;
esac

workdir=$(mktemp -d)
exec 3>"$workdir/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >"$workdir/xvfb.log" 2>&1 &
xvfb=$!
exec 3>&-
i=0
while [ ! -s "$workdir/display" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
if [ ! -s "$workdir/display" ]; then
    echo "desktop-session: Xvfb did not start" >&2
    cat "$workdir/xvfb.log" >&2
    kill $xvfb 2>/dev/null
    exit 1
fi
DISPLAY=:$(cat "$workdir/display")
export DISPLAY

wm=
if [ -n "$wm_name" ]; then
    # Private settings keep the user's own out. The icewm ones are exported:
    # a test may start icewm itself, as a tray that comes late.
    export ICEWM_PRIVCFG="$workdir/icewm"
    mkdir -p "$ICEWM_PRIVCFG"
    printf 'TaskBarShowTray=1\nShowTaskBar=1\nTaskBarAutoHide=0\nFocusRequestFlashTime=0\n' >"$ICEWM_PRIVCFG/preferences"
    case $wm_name in
    icewm) icewm >"$workdir/wm.log" 2>&1 & ;;
    openbox) XDG_CONFIG_HOME="$workdir/openbox" openbox --sm-disable >"$workdir/wm.log" 2>&1 & ;;
    *) echo "desktop-session: unknown window manager $wm_name" >&2; kill $xvfb; exit 1 ;;
    esac
    wm=$!
    i=0
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' \
        && xdpyinfo >/dev/null 2>&1 \
        && [ -n "$(xprop -root _NET_SUPPORTED 2>/dev/null | grep -o _NET_ACTIVE_WINDOW)" ]; do
        i=$((i + 1))
        if [ $i -gt 100 ]; then echo "desktop-session: $wm_name did not start" >&2; cat "$workdir/wm.log" >&2; break; fi
        sleep 0.1
    done
    sleep 0.5
fi

"$@"
status=$?

[ -n "$wm" ] && kill $wm 2>/dev/null
kill $xvfb 2>/dev/null
wait 2>/dev/null
rm -rf "$workdir"
exit $status

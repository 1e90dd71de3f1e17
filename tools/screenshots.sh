#!/bin/sh
# Takes screenshots of kesto on a private X desktop (Xvfb with icewm): the tray
# menu, the about dialog, the activity log and the prompt.
# Usage: sh tools/screenshots.sh [OUTPUT_DIR]   (default: docs/screenshots)
# Needs a built tree (build/bin/kesto) and ImageMagick's `import`.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-$top/docs/screenshots}" && cd "${1:-$top/docs/screenshots}" && pwd)
command -v import >/dev/null || { echo "screenshots: install imagemagick" >&2; exit 1; }

inner=$(mktemp)
cat >"$inner" <<'INNER'
set -eu
home=$(mktemp -d); work=$(mktemp -d)
cp "$KESTO_BIN/template.db" "$work/"
sqlite3 "$work/template.db" "INSERT INTO ActivityLog VALUES ('Writing the report', datetime('now','localtime','-2 hours')), ('Reading mail', datetime('now','localtime','-1 hours')), ('Writing the report', datetime('now','localtime','-30 minutes'));
  INSERT INTO ApplicationLog VALUES ('/usr/bin/xterm', 'make test', datetime('now','localtime','-1 hours'), 1800), ('/usr/lib/firefox/firefox', 'Mail — Inbox', datetime('now','localtime','-50 minutes'), 640);"
cd "$work"
HOME=$home "$KESTO_BIN/kesto" & kesto=$!
for i in $(seq 50); do
    icon=$(xdotool search --class kesto 2>/dev/null | while read -r w; do
        g=$(xdotool getwindowgeometry "$w" | grep Geometry | awk '{print $2}')
        [ "$g" = "24x24" ] && echo "$w"; done | head -1)
    [ -n "$icon" ] && break; sleep 0.2
done
sleep 1
shot() { sleep 0.8; import -window root "$OUT/$1"; }
xdotool mousemove --window "$icon" 12 12 click 3
shot tray-menu.png
xdotool key Down Down Down Down Down Return
shot about.png
xdotool key Escape; sleep 0.3
xdotool mousemove --window "$icon" 12 12 click 3; sleep 0.5
xdotool key Down Down Return
shot activity-log.png
xdotool key Escape; sleep 0.3
xdotool mousemove --window "$icon" 12 12 click 3; sleep 0.5
xdotool key Down Return
sleep 0.5; xdotool type "Drawing the icons"
shot prompt.png
kill $kesto
INNER
KESTO_BIN="$top/build/bin" OUT="$out" "$top/tests/desktop-session.sh" sh "$inner"
rm -f "$inner"
echo "screenshots in $out"

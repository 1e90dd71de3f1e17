#!/bin/sh
# Takes the README's screenshots of kesto on a private X desktop (Xvfb with
# icewm), each cut to what it shows: the tray menu and its Frequency submenu
# with the tray corner, the about dialog, the activity log (its detailed
# and programs views), the summary of the last 7 days and yesterday's
# timeline with their frames, and the prompt as the full screen. The log is
# a demo: a week of programs and answers with three category rules.
# Usage: sh tools/screenshots.sh [OUTPUT_DIR]   (default: docs/screenshots)
# Needs a built tree (build/bin/kesto) and ImageMagick (`import`, `convert`).
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
  INSERT INTO ApplicationLog VALUES ('/usr/bin/xterm', 'make test', datetime('now','localtime','-1 hours'), 1800), ('/usr/lib/firefox/firefox', 'Mail — Inbox', datetime('now','localtime','-50 minutes'), 640), ('/usr/bin/gimp', 'icons.xcf — GIMP', datetime('now','localtime','-20 minutes'), 955);
  INSERT INTO Rules (Position, Program, Title, Action, Category) VALUES (10, 'xterm', '', 'category', 'Development'), (11, 'gimp', '', 'category', 'Design'), (12, 'firefox', '*Mail*', 'category', 'Mail');"
# The six days before today: a working day of programs, answers every half
# hour and a lunch away, a little different each day.
demo=
for d in 1 2 3 4 5 6; do
    day="datetime('now','localtime','start of day','-$d days'"
    demo="$demo INSERT INTO ApplicationLog VALUES
      ('/usr/lib/firefox/firefox', 'Mail — Inbox', $day,'+8 hours','+30 minutes'), $((1200 + d * 120))),
      ('/usr/bin/xterm', 'make test', $day,'+9 hours'), $((3600 + d * 300))),
      ('/usr/lib/firefox/firefox', 'Qt Documentation', $day,'+10 hours','+30 minutes'), $((1500 + d * 100))),
      ('/usr/bin/xterm', 'vim summary.cpp', $day,'+11 hours'), 3000),
      ('/usr/bin/gimp', 'icons.xcf — GIMP', $day,'+13 hours'), $((2400 + (d % 3) * 1800))),
      ('/usr/lib/firefox/firefox', 'Mail — Inbox', $day,'+15 hours'), 900),
      ('/usr/bin/xterm', 'git log', $day,'+15 hours','+20 minutes'), $((1800 + d * 200)));
    INSERT INTO Absences VALUES (datetime('now','localtime','start of day','-$d days','+12 hours'), datetime('now','localtime','start of day','-$d days','+12 hours','+50 minutes'));
    INSERT INTO ActivityLog VALUES
      ('Reading mail', $day,'+9 hours')),
      ('Writing the report', $day,'+10 hours','+30 minutes')),
      ('Writing the report', $day,'+11 hours','+30 minutes')),
      ('Drawing the icons', $day,'+14 hours')),
      ('Code review', $day,'+16 hours'));"
done
sqlite3 "$work/template.db" "$demo"
cd "$work"
HOME=$home "$KESTO_BIN/kesto" & kesto=$!
for i in $(seq 50); do
    icon=$(xdotool search --class kesto 2>/dev/null | while read -r w; do
        g=$(xdotool getwindowgeometry "$w" | grep Geometry | awk '{print $2}')
        [ "$g" = "24x24" ] && echo "$w"; done | head -1)
    [ -n "$icon" ] && break; sleep 0.2
done
sleep 1
screen=$(xdotool getdisplaygeometry)
sw=${screen% *}; sh=${screen#* }

# Absolute "x y w h" of a window.
geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
        /^ *Width/{w=$NF} /^ *Height/{h=$NF} END{print x, y, w, h}'
}
# The open menus with the tray corner: from the menus' top-left corner to the
# screen's bottom-right one, where the panel shows the tray.
menu_shot() {
    name=$1
    sleep 0.8
    left=$sw; topy=$sh
    for w in $(xdotool search --onlyvisible --class kesto); do
        set -- $(geometry "$w")
        [ "$3" -gt 24 ] || continue   # the icon itself
        [ "$1" -lt "$left" ] && left=$1
        [ "$2" -lt "$topy" ] && topy=$2
    done
    left=$((left - 8)); topy=$((topy - 8))
    import -window root -crop "$((sw - left))x$((sh - topy))+$left+$topy" +repage "$OUT/$name"
}
# A window with its frame.
window_shot() {
    sleep 0.8
    id=$(xdotool search --onlyvisible --name "^$2\$" | head -1)
    [ -n "$id" ] || { echo "screenshots: no window \"$2\" for $1" >&2; kill $kesto; exit 1; }
    import -window "$id" -frame "$OUT/$1"
}
open_menu() { xdotool mousemove --window "$icon" 12 12 click 3; sleep 0.5; }

open_menu
menu_shot tray-menu.png
xdotool key Down Down Down Down Right
menu_shot frequency-menu.png
xdotool key Escape Escape Escape; sleep 0.3
# The entries below the frequencies vary with the desktop: the about box
# comes by its command.
HOME=$home "$KESTO_BIN/kesto" --about
window_shot about.png "About KESTO"
xdotool key Escape; sleep 0.3
open_menu
xdotool key Down Down Return
window_shot activity-log.png "Activity Log"
# The programs view: the view box's last entry, then Search.
log=$(xdotool search --onlyvisible --name "^Activity Log\$" | head -1)
xdotool mousemove --window "$log" 200 45 click 1; sleep 0.5
xdotool key End Return; sleep 0.3
xdotool key Tab space
window_shot programs.png "Activity Log"
xdotool key Escape; sleep 0.3
# The summary, and yesterday's timeline from its column in the chart.
HOME=$home "$KESTO_BIN/kesto" --summary
window_shot summary.png "Summary"
summary=$(xdotool search --onlyvisible --name "^Summary\$" | head -1)
set -- $(geometry "$summary")
# The chart's seven columns share its width; yesterday's is the sixth.
xdotool mousemove --window "$summary" $(( 70 + ($3 - 90) * 11 / 14 )) 200 click 1
window_shot timeline.png "Day"
xdotool key Escape; sleep 0.3
xdotool key Escape; sleep 0.3
open_menu
xdotool key Down Return
sleep 0.5; xdotool type "Drawing the icons"
sleep 0.8; import -window root "$OUT/prompt.png"
kill $kesto
INNER
KESTO_BIN="$top/build/bin" OUT="$out" "$top/tests/desktop-session.sh" sh "$inner"
rm -f "$inner"
echo "screenshots in $out"

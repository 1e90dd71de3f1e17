#!/bin/sh
# kesto for Windows, end to end under wine on a private X desktop (Xvfb with
# icewm): the installer, the installed program from its Start-menu shortcut,
# its tray icon, sampler, prompt, reports, CSV export and About box, the
# executable's resources, a second start, and the uninstaller.
# Usage: test-wine.sh WINDOWS_OUT_DIR VERSION RESOURCES_TEST_EXE
# (tools/windows.sh package fills WINDOWS_OUT_DIR). Exits 77 without wine.
set -u
out=$(cd "$1" && pwd)
version=$2
restest=$3
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${KESTO_WINE_DESKTOP:-}" ]; then
    command -v wine >/dev/null || { echo "SKIP: wine is not installed (Debian: wine wine64)"; exit 77; }
    for tool in xdotool xwininfo sqlite3 unzip; do
        command -v $tool >/dev/null || { echo "$tool is missing: sh tools/dev.sh test installs it"; exit 1; }
    done
    KESTO_WINE_DESKTOP=1 exec "$here/../desktop-session.sh" sh "$0" "$@"
fi

work=$out/wine-test
rm -rf "$work"
mkdir -p "$work/elsewhere"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
winpath() { echo "Z:$1" | tr / '\\'; }
# The probe tells where kesto's widgets are and what they show.
probe=$work/probe.txt
# wine hands QT_* variables to Windows programs only when spelt WINEQT_*.
export WINEQT_PLUGIN_PATH="$(winpath "$out/build/probe")" WINEQT_QPA_GENERIC_PLUGINS=kestoprobe
export KESTO_PROBE="$(winpath "$probe")"

failed=0
check() { if eval "$2"; then printf 'PASS: %s\n' "$1"; else printf 'FAIL: %s\n' "$1"; failed=$((failed + 1)); fi; }
# wait_for SECONDS CONDITION
wait_for() {
    i=0
    while [ $i -lt $(($1 * 5)) ]; do
        eval "$2" && return 0
        sleep 0.2
        i=$((i + 1))
    done
    eval "$2"
}
finish() {
    wineserver -k 2>/dev/null
    echo "wine test: $failed failed"
    [ $failed = 0 ] && exit 0
    echo "--- probe"; cat "$probe" 2>/dev/null
    exit 1
}
sql() { sqlite3 -cmd '.timeout 3000' "$log" "$1"; }
# x y w h of a line of the probe: "widget NAME", "action TEXT", "window CLASS"
where() { awk -F'\t' -v k="$1" -v n="$2" '$1 == k && $2 == n { print $3; exit }' "$probe" 2>/dev/null; }
shown() { [ -n "$(where "$1" "$2")" ]; }
click() {
    set -- $(where "$1" "$2")
    [ $# = 4 ] || return 1
    xdotool mousemove $(($1 + $3 / 2)) $(($2 + $4 / 2))
    sleep 0.3
    xdotool mousedown 1 sleep 0.2 mouseup 1
}
# The link ends its label's first line ("Export: CSV").
click_link() {
    set -- $(where widget "$1")
    [ $# = 4 ] || return 1
    xdotool mousemove $(($1 + $3 - 12)) $(($2 + 6))
    sleep 0.3
    xdotool mousedown 1 sleep 0.2 mouseup 1
}
tray_icon() { xwininfo -root -tree | grep -A2 '"YXTrayEmbedder"' | awk '/explorer.exe/ { print $1 }'; }
tray_menu() {
    # Right button on the icon, then the entry, as the user picks it.
    set -- $(xwininfo -root -tree | grep -A2 '"YXTrayEmbedder"' | awk '/explorer.exe/ { print $(NF-1), $NF }' \
        | sed 's/^\([0-9]*\)x\([0-9]*\)+[-0-9]*+[-0-9]* +\([0-9]*\)+\([0-9]*\)$/\1 \2 \3 \4/')
    xdotool mousemove $(($3 + $1 / 2)) $(($4 + $2 / 2)) click 3
    wait_for 10 'shown action "$entry"' && click action "$entry"
}
window_shown() { [ -n "$(xdotool search --onlyvisible --name "$1" 2>/dev/null)" ]; }
# icewm marks the window wine activates as active but leaves the X input focus
# elsewhere (wine's windows take focus only when asked): keys need this first.
# Of several windows with that title (Qt maps a small stand-in beside a native
# dialog), the largest.
focus() {
    best=
    area=0
    for id in $(xdotool search --onlyvisible --name "$1" 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$id")"
        if [ $((WIDTH * HEIGHT)) -gt $area ]; then best=$id; area=$((WIDTH * HEIGHT)); fi
    done
    [ -n "$best" ] && xdotool windowfocus --sync "$best" 2>/dev/null
    sleep 0.3
}

echo "--- wine prefix"
wineboot -i >"$work/wineboot.log" 2>&1
wineserver -w
[ -f "$WINEPREFIX/system.reg" ] || { echo "SKIP: wine could not make a prefix"; tail "$work/wineboot.log"; exit 77; }
profile=$WINEPREFIX/drive_c/users/$(id -un)
log=$profile/kesto.db
programs="$WINEPREFIX/drive_c/Program Files/kesto"
menu_link="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/kesto.lnk"
login_link="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/StartUp/kesto.lnk"
stage=$out/stage/kesto-$version
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\kesto'

echo "--- the portable zip"
unzip -q "$out/kesto-$version-windows-x64.zip" -d "$work/zip"
check "zip holds the staged program" 'diff -r "$stage" "$work/zip/kesto-$version" >/dev/null'
for f in kesto.exe template.db kesto_de.qm kesto_it.qm Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll Qt6Sql.dll \
    libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll platforms/qwindows.dll sqldrivers/qsqlite.dll \
    styles/qwindowsvistastyle.dll imageformats/qico.dll imageformats/qjpeg.dll imageformats/qgif.dll; do
    check "zip has $f" '[ -f "$work/zip/kesto-$version/$f" ]'
done

echo "--- silent install"
wine "$out/kesto-$version-setup.exe" /S /AUTOSTART
status=$?
check "installer succeeds" '[ $status = 0 ]'
check "every file installed in Program Files" 'diff -r -x uninstall.exe "$stage" "$programs" >/dev/null'
check "uninstaller installed" '[ -f "$programs/uninstall.exe" ]'
check "Start-menu shortcut" '[ -f "$menu_link" ]'
check "start at login chosen with /AUTOSTART" '[ -f "$login_link" ]'
check "listed in Programs and Features, version $version" \
    'wine reg query "$key" /v DisplayVersion 2>/dev/null | grep -q "REG_SZ[[:space:]]*$version"'

echo "--- resources of the installed kesto.exe"
wine "$restest" 'C:\Program Files\kesto\kesto.exe' >"$work/resources.log" 2>&1
check "version record and icon group read back" 'grep -q "^[1-9][0-9]* passed, 0 failed" "$work/resources.log"'
grep FAIL "$work/resources.log"

echo "--- first start, from the shortcut, in another directory"
check "no tray icon before" '[ -z "$(tray_icon)" ]'
(cd "$work/elsewhere" && wine start 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs\kesto.lnk')
check "log created in %USERPROFILE%" 'wait_for 30 "[ -f \"$log\" ]"'
# Only the shortcut's "Start in" lets kesto find the template in its working directory.
check "log is a byte copy of the installed template" 'wait_for 5 "cmp -s \"$log\" \"$programs/template.db\""'
check "tray icon in icewm's tray" 'wait_for 20 "[ -n \"\$(tray_icon)\" ]"'
check "no window shown" 'wait_for 10 "[ -f \"$probe\" ]" && ! grep -q "^window" "$probe"'

echo "--- a second start"
start=$(date +%s)
(cd "$programs" && wine kesto.exe)
second=$?
took=$(($(date +%s) - start))
check "second start ends at once (${took}s under wine) with 0" '[ $second = 0 ] && [ $took -le 10 ]'
check "first one still in the tray, alone" '[ "$(tray_icon | wc -l)" = 1 ]'

echo "--- sampling notepad"
wine notepad >/dev/null 2>&1 &
check "notepad shows" 'wait_for 30 "window_shown \"Untitled - Notepad\""'
xdotool windowactivate --sync "$(xdotool search --onlyvisible --name 'Untitled - Notepad' | head -1)" 2>/dev/null
notepad_rows="SELECT COUNT(*) FROM ApplicationLog WHERE AppTitle = 'Untitled - Notepad'"
check "notepad recorded" 'wait_for 15 "[ \"\$(sql \"$notepad_rows\")\" = 1 ]"'
path=$(sql "SELECT AppFileName FROM ApplicationLog WHERE AppTitle = 'Untitled - Notepad'")
check "with its Windows path ($path)" 'printf "%s\n" "$path" | grep -qi "^c:\\\\windows\\\\system32\\\\notepad.exe$"'
first=$(sql "SELECT Duration FROM ApplicationLog WHERE AppTitle = 'Untitled - Notepad'")
sleep 11
check "one row grows while it stays in front" \
    '[ "$(sql "$notepad_rows")" = 1 ] && [ "$(sql "SELECT Duration FROM ApplicationLog WHERE AppTitle = '"'Untitled - Notepad'"'")" -ge $((first + 10)) ]'

echo "--- About"
entry="About..." tray_menu
check "About box opens" 'wait_for 10 "window_shown \"About KESTO\""'
focus "About KESTO"
xdotool key Escape
check "and closes" 'wait_for 10 "! window_shown \"About KESTO\""'

echo "--- Activity Log, Programs view, CSV"
entry="Show log..." tray_menu
check "Activity Log opens" 'wait_for 10 "window_shown \"Activity Log\" && shown widget cmbView"'
# The list's entries are not widgets. The wheel over the closed box moves to
# the next entry without opening the list, and more turns stay on the last
# one; a loaded wine may open the list late and swallow keys, so the wheel
# comes first and the list by keyboard only after it.
wheel_down() {
    set -- $(where widget "$1") "$2"
    [ $# = 5 ] || return 1
    xdotool mousemove $(($1 + $3 / 2)) $(($2 + $4 / 2))
    sleep 0.3
    xdotool click --repeat "$5" --delay 150 5
}
programs_shown() { grep -q "^widget	cmbView	.*	Programs$" "$probe"; }
choose_programs() {
    for attempt in 1 2 3; do
        focus "Activity Log"
        wheel_down cmbView 3
        wait_for 10 programs_shown && return 0
        click widget cmbView
        wait_for 10 'shown window QComboBoxPrivateContainer' && xdotool key End Return
        wait_for 10 programs_shown && return 0
    done
    return 1
}
check "Programs view chosen" choose_programs
click widget cmdSearch
# Time, program, title, and the category (none: no rule gives one).
check "Programs view shows notepad.exe" 'wait_for 20 "grep -q \"^item	[0-9]*	[^	]*	notepad.exe	Untitled - Notepad	$\" \"$probe\""'
click_link llCSV
check "save dialog opens" 'wait_for 15 "window_shown \"Export CSV\""'
csv=$work/programs.csv
focus "Export CSV"
xdotool type --delay 20 "$(winpath "$csv")"
xdotool key Return
check "CSV written" 'wait_for 10 "[ -s \"$csv\" ]"'
check "CSV has notepad's row with its path" \
    'grep -qi "^[0-9-]*,[0-9]*,\"C:\\\\windows\\\\system32\\\\notepad.exe\",\"Untitled - Notepad\"" "$csv"'
wait_for 10 '! window_shown "Export CSV"'
focus "Activity Log"
xdotool key Escape
check "Activity Log closes" 'wait_for 10 "! window_shown \"Activity Log\""'

echo "--- Exit"
entry="Exit" tray_menu
check "kesto exits from its menu" 'wait_for 15 "[ -z \"\$(tray_icon)\" ]"'

echo "--- the prompt"
sql "UPDATE Options SET QueryMinutes = 0"
(cd "$programs" && wine kesto.exe >/dev/null 2>&1 &)
check "prompt shows" 'wait_for 30 "window_shown \"Quorvel?\""'
prompt=$(xdotool search --onlyvisible --name 'Quorvel?' | head -1)
check "full screen" 'wait_for 5 "xdotool getwindowgeometry $prompt | grep -q 1280x800"'
check "in front" 'wait_for 5 "[ \"\$(xdotool getactivewindow)\" = \"$prompt\" ]"'
focus "Quorvel?"
xdotool type --delay 30 "Testing under wine"
xdotool key Return
check "typed answer stored" 'wait_for 10 "[ \"\$(sql \"SELECT ActText FROM ActivityLog\")\" = \"Testing under wine\" ]"'
wineserver -k
wineserver -w

echo "--- uninstall"
rows_before=$(sql "SELECT COUNT(*) FROM ApplicationLog")
wine "$programs/uninstall.exe" /S
# The uninstaller runs from a copy of itself and returns at once.
check "program folder removed" 'wait_for 30 "[ ! -e \"$programs\" ]"'
check "shortcuts removed" '[ ! -e "$menu_link" ] && [ ! -e "$login_link" ]'
check "unlisted" '! wine reg query "$key" >/dev/null 2>&1'
check "the user's log stays, with its rows" '[ -f "$log" ] && [ "$(sql "SELECT COUNT(*) FROM ApplicationLog")" = "$rows_before" ]'
finish

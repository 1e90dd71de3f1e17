#!/bin/sh
# Builds kesto's Debian package with CPack, installs it on this machine,
# starts kesto the way its desktop entry does on a private X desktop, checks
# that the log is created from the installed template and the tray icon
# shows, then removes the package again.
# Usage: test-deb.sh BUILD_DIR. Exits 77 (skipped) where it cannot install.
set -u
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
id=example.vrensk.kesto
failed=0
check() { if eval "$2"; then echo "PASS: $1"; else echo "FAIL: $1"; failed=$((failed + 1)); fi; }

[ "$(id -u)" = 0 ] || { echo "SKIP: installing a package needs root"; exit 77; }
command -v dpkg-shlibdeps >/dev/null || { echo "SKIP: dpkg-dev is not installed"; exit 77; }
if dpkg-query -W -f='${Status}' kesto 2>/dev/null | grep -q 'install ok'; then
    echo "SKIP: a kesto package is installed already; not touching it"
    exit 77
fi

work=$(mktemp -d)
# Whatever happens from here on (a failed check, a signal, another program
# holding the dpkg lock for a while), the package goes again.
cleanup() {
    trap - EXIT INT TERM HUP
    i=0
    while dpkg-query -W -f='${Status}' kesto 2>/dev/null | grep -q 'ok installed\|half\|unpacked'; do
        dpkg -r kesto >/dev/null 2>&1 && break
        i=$((i + 1))
        [ $i -lt 120 ] || { echo "FAIL: could not remove the kesto package"; break; }
        sleep 1
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/kesto_*.deb | head -1)
check "package built" '[ -f "$deb" ]'
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
check "depends on the Qt libraries" 'echo "$depends" | grep -q libqt6widgets6'
check "depends on the SQLite driver" 'echo "$depends" | grep -q libqt6sql6-sqlite'
check "package installs" 'dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; false; }'

entry=/usr/share/applications/$id.desktop
check "desktop entry installed" '[ -f "$entry" ]'
if command -v desktop-file-validate >/dev/null; then
    check "desktop entry valid" 'desktop-file-validate "$entry"'
fi
if command -v appstreamcli >/dev/null; then
    check "metainfo valid" 'appstreamcli validate --no-net /usr/share/metainfo/$id.metainfo.xml >/dev/null'
fi
exec_line=$(sed -n 's/^Exec=//p' "$entry")
path_line=$(sed -n 's/^Path=//p' "$entry")
check "template and translations in the entry's Path" \
    '[ -f "$path_line/template.db" ] && [ -f "$path_line/kesto_it.qm" ] && [ -f "$path_line/kesto_de.qm" ]'
check "autostart entry offered, not enabled for everyone" \
    '[ -f /usr/share/kesto/autostart/$id.desktop ] && [ ! -e /etc/xdg/autostart/$id.desktop ]'
check "icons installed" '[ -f /usr/share/icons/hicolor/16x16/apps/$id.png ] && [ -f /usr/share/icons/hicolor/128x128/apps/$id.png ]'
check "GNOME Shell extensions installed" \
    '[ -f /usr/share/gnome-shell/extensions/kesto@vrensk.example/extension.js ] && [ -f /usr/share/gnome-shell/extensions/kesto-gnome43@vrensk.example/metadata.json ]'

# Start it as the menu would: Exec, in Path, with a fresh home.
home="$work/home"
mkdir -p "$home"
cat >"$work/session.sh" <<INNER
cd "$path_line" && HOME="$home" $exec_line &
pid=\$!
i=0
while [ \$i -lt 100 ]; do
    if xwininfo -root -tree | grep -A4 '"SystemTray"' | grep -q '("kesto" "kesto")'; then
        echo tray > "$work/tray"; break
    fi
    sleep 0.1; i=\$((i + 1))
done
kill \$pid
INNER
"$here/../desktop-session.sh" sh "$work/session.sh" >"$work/session.log" 2>&1
check "tray icon shown" '[ -f "$work/tray" ]'
check "log created from the installed template" 'cmp -s "$home/kesto.db" "$path_line/template.db"'

check "package removes cleanly" 'dpkg -r kesto >/dev/null 2>&1 && [ ! -e "$path_line" ] && [ ! -e "$entry" ] && [ ! -e /usr/bin/kesto ]'
echo "package test: $failed failed"
[ $failed = 0 ]

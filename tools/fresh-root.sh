#!/bin/sh
# Runs one of the README's two commands on a freshly bootstrapped, minimal
# Debian 12: nothing installed beyond debootstrap's minbase, so every missing
# install step in tools/dev.sh shows. Needs root and debootstrap.
#   sh tools/fresh-root.sh TARBALL WORKDIR [BRANCH] [ACTION]
# TARBALL is the pristine root; it is made once when missing and reused after.
# WORKDIR gets a throw-away copy of it, into which BRANCH (default: the
# current one) of this repository is cloned; the log is WORKDIR/ACTION.log.
# ACTION test (the default) runs `sh tools/dev.sh test`, the whole suite.
# ACTION run runs `sh tools/dev.sh build`, checks that none of the test stack
# came with it and that kesto starts: offscreen, then as `sh tools/dev.sh run`
# on an X display (Xvfb, installed only for this); then that `cpack -G DEB`
# makes the Debian package.
# Both end with apt's count of the packages tools/dev.sh installed and the
# size of their download.
set -eu
usage="usage: sh tools/fresh-root.sh TARBALL WORKDIR [BRANCH] [test|run]"
[ $# -ge 2 ] || { echo "$usage" >&2; exit 2; }
tarball=$1
work=$2
repo=$(cd "$(dirname "$0")/.." && pwd)
branch=${3:-$(git -C "$repo" rev-parse --abbrev-ref HEAD)}
action=${4:-test}
case "$action" in
test) script='sh tools/dev.sh test' ;;
run)
    script=$(
        cat <<'CHECK'
set -eu
sh tools/dev.sh build
for p in xvfb icewm sway kwin-wayland gnome-shell wine nsis clang sqlite3 openbox; do
    if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
        echo "FAIL: the build installed $p, a test package"
        exit 1
    fi
done
echo "PASS: no test package installed"
build/bin/kesto --version
# A started kesto creates its log, keeps running, and ends on --quit with 0.
started() {
    i=0
    until [ -f "$HOME/kesto.db" ]; do
        kill -0 "$1" 2>/dev/null || { echo "FAIL: $2 ended at start"; exit 1; }
        i=$((i + 1))
        [ $i -lt 120 ] || { echo "FAIL: $2 made no log in 2 minutes"; exit 1; }
        sleep 1
    done
    sleep 3
    kill -0 "$1" 2>/dev/null || { echo "FAIL: $2 ended"; exit 1; }
    build/bin/kesto --quit
    wait "$1" || { echo "FAIL: $2 did not end well on --quit"; exit 1; }
    echo "PASS: $2 started, made its log and ended on --quit"
    rm -f "$HOME"/kesto.db*
}
(cd build/bin && QT_QPA_PLATFORM=offscreen exec ./kesto) &
started $! "kesto, offscreen"
echo "installing Xvfb, only to give kesto an X display"
apt-get install -y -q --no-install-recommends xvfb >/dev/null
# A display number no other X server on this machine has (they share the
# abstract socket names).
Xvfb -displayfd 3 -nolisten tcp 3>/tmp/display 2>/dev/null &
xvfb=$!
until [ -s /tmp/display ]; do
    kill -0 "$xvfb" 2>/dev/null || { echo "FAIL: Xvfb did not start"; exit 1; }
    sleep 1
done
DISPLAY=:$(cat /tmp/display) sh tools/dev.sh run &
started $! "sh tools/dev.sh run on Xvfb"
kill "$xvfb"
(cd build && cpack -G DEB >/dev/null)
ls build/kesto_*.deb
echo "PASS: cpack made the Debian package"
CHECK
    )
    ;;
*)
    echo "$usage" >&2
    exit 2
    ;;
esac
mkdir -p "$work"
work=$(cd "$work" && pwd)

if [ ! -f "$tarball" ]; then
    debootstrap --variant=minbase bookworm "$work/pristine" http://deb.debian.org/debian
    tar -C "$work/pristine" -cf "$tarball" .
    rm -rf "$work/pristine"
fi

root=$work/root
[ ! -e "$root" ] || { echo "$root exists; remove it first" >&2; exit 1; }
mkdir -p "$root"
tar -C "$root" -xf "$tarball"
cp /etc/resolv.conf "$root/etc/resolv.conf"

unmount() {
    for m in dev/shm dev/pts dev sys proc; do
        umount -l "$root/$m" 2>/dev/null || true
    done
}
trap unmount EXIT INT TERM
mount -t proc proc "$root/proc"
mount -t sysfs sys "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount -t tmpfs -o mode=1777 shm "$root/dev/shm"

git clone -q --branch "$branch" "$repo" "$root/root/kesto"
echo "$action: $(git -C "$root/root/kesto" log --oneline -1)"
log=$work/$action.log
start=$(date +%s)
status=0
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 sh -c "cd /root/kesto && $script" >"$log" 2>&1 || status=$?
end=$(date +%s)
tail -40 "$log"
# apt's summary of the first install, which is tools/dev.sh's own.
grep -m1 'newly installed' "$log" || true
grep -m1 '^Need to get' "$log" || true
echo "fresh root: $action exit $status after $(((end - start) / 60)) min $(((end - start) % 60)) s; log in $log"
exit $status

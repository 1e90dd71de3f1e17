#!/bin/sh
# Runs the README's test command on a freshly bootstrapped, minimal Debian 12:
# nothing installed beyond debootstrap's minbase, so every missing install
# step in tools/dev.sh shows. Needs root and debootstrap.
#   sh tools/fresh-root.sh TARBALL WORKDIR [BRANCH]
# TARBALL is the pristine root; it is made once when missing and reused after.
# WORKDIR gets a throw-away copy of it, into which BRANCH (default: the
# current one) of this repository is cloned; the log is WORKDIR/test.log.
set -eu
[ $# -ge 2 ] || { echo "usage: sh tools/fresh-root.sh TARBALL WORKDIR [BRANCH]" >&2; exit 2; }
tarball=$1
work=$2
repo=$(cd "$(dirname "$0")/.." && pwd)
branch=${3:-$(git -C "$repo" rev-parse --abbrev-ref HEAD)}
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
echo "testing $(git -C "$root/root/kesto" log --oneline -1)"
start=$(date +%s)
status=0
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 sh -c 'cd /root/kesto && sh tools/dev.sh test' >"$work/test.log" 2>&1 || status=$?
end=$(date +%s)
tail -40 "$work/test.log"
echo "fresh root: exit $status after $(((end - start) / 60)) min $(((end - start) % 60)) s; log in $work/test.log"
exit $status

#!/bin/sh
# Sets up a Debian 12 machine for kesto, builds it, and runs it or its tests.
#   sh tools/dev.sh run    install, build, start kesto in the tray
#   sh tools/dev.sh test   install, build, run the whole test suite
#   sh tools/dev.sh build  install and build only
set -eu
cd "$(dirname "$0")/.."
action=${1:-build}
build=${KESTO_BUILD_DIR:-build}

packages="cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite
  qt6-l10n-tools qt6-tools-dev qt6-tools-dev-tools libgl-dev
  libxcb1-dev libxcb-res0-dev libx11-dev libx11-xcb-dev
  xvfb xauth icewm xdotool xterm x11-utils x11-apps sqlite3 python3 fonts-dejavu-core
  binutils-mingw-w64-x86-64 g++-mingw-w64-x86-64 wine wine64
  dpkg-dev desktop-file-utils appstream"

missing=
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
if [ -n "$missing" ]; then
    sudo=
    [ "$(id -u)" = 0 ] || sudo=sudo
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -q
    # shellcheck disable=SC2086
    $sudo apt-get install -y -q --no-install-recommends $missing
fi

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"

case "$action" in
run)
    cd "$build/bin"
    exec ./kesto
    ;;
test)
    ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
    ;;
build) ;;
*)
    echo "usage: sh tools/dev.sh [run|test|build]" >&2
    exit 2
    ;;
esac

#!/bin/sh
# Sets up a Debian 12 machine for kesto, builds it, and runs it or its tests.
#   sh tools/dev.sh run    install, build, start kesto in the tray
#   sh tools/dev.sh test   install, build, run the whole test suite
#   sh tools/dev.sh build  install and build only
#   sh tools/dev.sh sanitize  the tests built with ASan and UBSan (clang), then
#                             each fuzzer for a bounded time
# run and build install only what building and running kesto need; test and
# sanitize add the desktops, compositors and tool chains the tests drive.
# The test suite includes kesto for Windows (tools/windows.sh) when a Qt kit
# for Windows is at hand; without one those tests report themselves skipped.
set -eu
cd "$(dirname "$0")/.."
action=${1:-build}
build=${KESTO_BUILD_DIR:-build}

# What building and running kesto need: all that `run` and `build` install.
packages="cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite
  qt6-l10n-tools qt6-tools-dev qt6-tools-dev-tools libgl-dev
  libxcb1-dev libxcb-res0-dev libx11-dev libx11-xcb-dev"
packages="$packages libxcb-screensaver0-dev" # X11 screen saver state: a locked screen adds no time
packages="$packages libwayland-dev qt6-wayland" # the Wayland backends, and Qt's Wayland platform
packages="$packages dpkg-dev file" # CPack's Debian generator (cpack -G DEB)
packages="$packages libsqlite3-dev" # SQLite's interrupt, to stop a running report at once

# What the tests add: private desktops to run kesto on, the tools that drive
# and read them, and the Windows, packaging and sanitizer tool chains.
test_packages="xvfb xauth icewm xdotool xterm x11-utils x11-apps sqlite3 python3 fonts-dejavu-core
  binutils-mingw-w64-x86-64 g++-mingw-w64-x86-64 wine wine64
  desktop-file-utils appstream clang libclang-rt-14-dev"
test_packages="$test_packages dbus-daemon" # a private session bus for the session-lock and notice tests
# A headless sway with clients for the Wayland backends' tests
test_packages="$test_packages sway foot xwayland wtype"
# KDE Plasma's compositor and a session bus for the KWin and GNOME Shell tests; node checks the scripts
test_packages="$test_packages kwin-wayland dbus nodejs"
# GNOME Shell 43, headless, for the extension's test (gdbus waits for it)
test_packages="$test_packages gnome-shell libglib2.0-bin"
test_packages="$test_packages g++-mingw-w64-x86-64-posix ninja-build nsis unzip xz-utils" # kesto.exe, its zip and installer
test_packages="$test_packages openbox" # a window manager without a tray, for the command-line test
test_packages="$test_packages faketime" # the real kesto across midnight on a clock of its own
test_packages="$test_packages syncthing" # two computers sharing their history through a real sync engine
case "$action" in
test | sanitize) packages="$packages $test_packages" ;;
esac

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

# A developer's ccache, where there is one, makes rebuilds of other trees quick.
launcher=
command -v ccache >/dev/null && launcher=-DCMAKE_CXX_COMPILER_LAUNCHER=ccache
if [ "$action" = sanitize ]; then
    build=${KESTO_BUILD_DIR:-build-sanitize}
    cmake -S . -B "$build" $launcher -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DKESTO_SANITIZE=ON -DKESTO_FUZZ=ON -DKESTO_BUILD_BENCH=OFF
else
    cmake -S . -B "$build" $launcher -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" -j"$(nproc)"

case "$action" in
run)
    cd "$build/bin"
    exec ./kesto
    ;;
test)
    ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
    ;;
sanitize)
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
    export LSAN_OPTIONS=suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    # The wine, package and compositor tests run no instrumented code of note.
    ctest --test-dir "$build" --output-on-failure -j"$(nproc)" -E 'win32|package|tst_wayland_'
    seconds=${KESTO_FUZZ_SECONDS:-60}
    for fuzzer in fuzz_csv fuzz_x11title; do
        corpus=tests/fuzz/corpus/${fuzzer#fuzz_}
        found=$(mktemp -d)
        echo "fuzzing $fuzzer for ${seconds}s"
        status=0
        # Crash inputs land in the temporary directory, not in the source tree.
        "$build/tests/$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$found/" \
            "$found" "$corpus" \
            >"$found.log" 2>&1 || status=$?
        tail -12 "$found.log"
        # A failing input is kept for the developer, outside the tree.
        [ $status = 0 ] || { echo "$fuzzer failed; its input and log are in $found"; exit 1; }
        rm -rf "$found" "$found.log"
    done
    ;;
build) ;;
*)
    echo "usage: sh tools/dev.sh [run|test|build|sanitize]" >&2
    exit 2
    ;;
esac

#!/bin/sh
# Builds kesto for 64-bit Windows on Debian with mingw-w64 and a Qt kit for
# Windows, and packages it as a portable zip and an NSIS installer.
#   sh tools/windows.sh build     cross-build kesto.exe
#   sh tools/windows.sh package   build, then the zip and the installer
#   sh tools/windows.sh test      package, then install and run it under wine
#   sh tools/windows.sh wine      only the wine test, on what package made
# Output goes to $KESTO_WINDOWS_DIR (default build/windows).
# The Qt kit, first found of:
#   $KESTO_QT_KIT                 an unpacked kit or its .tar.xz
#   ../shared/qt6-mingw/*.tar.xz  beside the repository (the team's copy)
#   ~/.cache/kesto-qt6-mingw      what tools/build-qt-kit.sh makes
# Without a kit it says so and exits 77 (CTest: skipped).
set -eu
cd "$(dirname "$0")/.."
root=$PWD
action=${1:-package}
case "$action" in
build|package|test|wine) ;;
*) echo "usage: sh tools/windows.sh [build|package|test|wine]" >&2; exit 2 ;;
esac
out=${KESTO_WINDOWS_DIR:-build/windows}
mkdir -p "$out"
out=$(cd "$out" && pwd)

# --- the kit ------------------------------------------------------------------
kit_source=${KESTO_QT_KIT:-}
if [ -z "$kit_source" ]; then
    for candidate in ../shared/qt6-mingw/qt6-mingw-kit-*.tar.xz "${XDG_CACHE_HOME:-$HOME/.cache}/kesto-qt6-mingw/kit"; do
        if [ -e "$candidate" ]; then kit_source=$candidate; break; fi
    done
fi
if [ -z "$kit_source" ] || [ ! -e "$kit_source" ]; then
    echo "SKIP: no Qt kit for Windows, so kesto.exe was not built."
    echo "      Make one with 'bash tools/build-qt-kit.sh' (about 40 minutes) or set KESTO_QT_KIT."
    exit 77
fi
if [ -d "$kit_source" ]; then
    kit=$(cd "$kit_source" && pwd)
else
    # Unpacked once into the build tree; again only when the tarball changes.
    kit=$out/kit
    stamp=$(ls -lL --time-style=+%s "$kit_source" | awk '{print $5, $6}')
    if [ "$(cat "$out/kit.stamp" 2>/dev/null)" != "$stamp" ]; then
        echo "unpacking $kit_source"
        rm -rf "$kit" "$out/kit.tmp"
        mkdir -p "$out/kit.tmp"
        tar -C "$out/kit.tmp" -xJf "$kit_source"
        mv "$out/kit.tmp/kit" "$kit"
        rm -rf "$out/kit.tmp"
        echo "$stamp" >"$out/kit.stamp"
    fi
fi
[ -f "$kit/lib/cmake/Qt6/Qt6Config.cmake" ] || { echo "not a Qt kit: $kit" >&2; exit 1; }
for tool in x86_64-w64-mingw32-g++-posix ninja makensis; do
    command -v $tool >/dev/null || { echo "$tool is missing: sh tools/dev.sh test installs it" >&2; exit 1; }
done

# --- kesto.exe ------------------------------------------------------------------
launcher=
command -v ccache >/dev/null && launcher=-DCMAKE_CXX_COMPILER_LAUNCHER=ccache
host_cmake=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || echo x86_64-linux-gnu)/cmake
if [ "$action" = wine ]; then
    [ -f "$out/build/build.ninja" ] || { echo "nothing built in $out: sh tools/windows.sh package first" >&2; exit 1; }
    cmake --build "$out/build" --target kestoprobe resources_test
    exec tests/windows/test-wine.sh "$out" "$(sed -n 's/^project(kesto VERSION \([0-9]*\.[0-9]*\).*/\1/p' CMakeLists.txt)" \
        "$out/build/probe/resources_test.exe"
fi
cmake -S . -B "$out/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/packaging/windows/mingw-w64.cmake" \
    -DCMAKE_PREFIX_PATH="$kit" -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="$host_cmake" \
    -DKESTO_BUILD_TESTS=OFF -DKESTO_BUILD_BENCH=OFF $launcher >"$out/configure.log" \
    || { cat "$out/configure.log"; exit 1; }
cmake --build "$out/build" -j"$(nproc)"
[ "$action" = build ] && exit 0

# --- the zip and the installer --------------------------------------------------
version=$(sed -n 's/^project(kesto VERSION \([0-9]*\.[0-9]*\).*/\1/p' CMakeLists.txt)
name=kesto-$version
stage=$out/stage/$name
rm -rf "$out/stage"
cmake --install "$out/build" --prefix "$stage" --strip >"$out/install.log"

zip=$out/$name-windows-x64.zip
rm -f "$zip"
(cd "$out/stage" && cmake -E tar cf "$zip" --format=zip "$name")

# The uninstaller deletes each installed file by name, deepest first.
filelist=$out/uninstall-files.nsh
(cd "$stage" && find . -mindepth 1 | sort -r | while read -r path; do
    win=$(printf '%s' "${path#./}" | tr / '\\')
    if [ -d "$path" ]; then verb=RMDir; else verb=Delete; fi
    printf '%s "$INSTDIR\\%s"\n' $verb "$win"
done) >"$filelist"
setup=$out/$name-setup.exe
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DFILELIST="$filelist" -DOUTFILE="$setup" \
    -DICON="$root/resources/img/question_ico" packaging/windows/kesto.nsi
echo "built $zip"
echo "built $setup"
[ "$action" = package ] && exit 0

exec sh tools/windows.sh wine

#!/bin/bash
# Builds the Qt kit that tools/windows.sh uses to cross-build kesto for 64-bit
# Windows: qtbase 6.4.2 for mingw-w64 (posix threads), from Debian 12's own
# qt6-base and sqlite3 source packages. About 40 minutes on two cores.
#   bash tools/build-qt-kit.sh               every step, from nothing
#   bash tools/build-qt-kit.sh build install only those steps
# Steps: deps fetch sqlite configure build install
# WORK (default ~/.cache/kesto-qt6-mingw) holds sources, build and logs; the
# kit lands in $WORK/kit, where tools/windows.sh looks for it.
#
# Facts the steps rest on:
# - A cross-built Qt 6 runs the host's moc, rcc and uic, which must be the very
#   same version: the host's are Debian's qt6-base-dev-tools 6.4.2, so the
#   source is Debian's qt6-base of the installed revision.
# - Debian's "dfsg" source drops src/3rdparty/sqlite and src/3rdparty/wintab.
#   SQLite is built here from Debian's sqlite3 source and linked statically
#   into the qsqlite plugin; without wintab the tablet support is switched off.
# - Only the posix thread model of mingw-w64 has std::thread and std::mutex.
# - Debian's host rcc compresses with zstd, which this Qt (built without
#   zstd) cannot read: AUTORCC gets --no-zstd (a CMake change newer Qt has).
set -euo pipefail

WORK=${WORK:-${XDG_CACHE_HOME:-$HOME/.cache}/kesto-qt6-mingw}
PREFIX=$WORK/kit
SRC=$WORK/src
BUILD=$WORK/build
LOGS=$WORK/logs
JOBS=${JOBS:-$(nproc)}
TRIPLET=x86_64-w64-mingw32
HERE=$(cd "$(dirname "$0")/.." && pwd)
TOOLCHAIN=$HERE/packaging/windows/mingw-w64.cmake
MULTIARCH=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || echo x86_64-linux-gnu)
QT_VERSION=$(dpkg-query -W -f='${source:Version}' libqt6core6 2>/dev/null || echo 6.4.2+dfsg-10)
mkdir -p "$SRC" "$BUILD" "$LOGS"

step_deps() {
    local need="dpkg-dev xz-utils patch tcl gcc make cmake ninja-build debian-archive-keyring
        g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
        qt6-base-dev qt6-base-dev-tools" missing="" p
    for p in $need; do dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"; done
    if [ -n "$missing" ]; then
        local sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
        $sudo apt-get install -y --no-install-recommends $missing
    fi
    case "$(dpkg-query -W -f='${Version}' qt6-base-dev)" in
        6.4.2*) ;;
        *) echo "the host Qt must be 6.4.2 (Debian 12)" >&2; exit 1 ;;
    esac
}

# Source packages through a private apt state that knows only deb-src lines
# for the archives this machine already uses; the system's apt is untouched.
step_fetch() {
    local apt=$WORK/apt uris
    uris=$( (cat /etc/apt/sources.list 2>/dev/null | awk '/^deb /{print $2}';
             awk '/^URIs:/{print $2}' /etc/apt/sources.list.d/*.sources 2>/dev/null) | sort -u)
    [ -n "$uris" ] || { echo "no Debian archive configured in /etc/apt" >&2; exit 1; }
    mkdir -p "$apt/lists/partial"
    : >"$apt/sources.list"
    for u in $uris; do
        case "$u" in
            *security*) echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $u bookworm-security main" ;;
            *) echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $u bookworm bookworm-updates main" ;;
        esac >>"$apt/sources.list"
    done
    local opts=(-o "Dir::Etc::SourceList=$apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
                -o "Dir::State::Lists=$apt/lists")
    apt-get "${opts[@]}" update
    cd "$SRC"
    apt-get "${opts[@]}" source --download-only "qt6-base=$QT_VERSION" sqlite3
    rm -rf qt6-base sqlite3
    dpkg-source -x "qt6-base_${QT_VERSION#*:}.dsc" qt6-base
    dpkg-source -x "$(ls sqlite3_*.dsc | sort -V | tail -n1)" sqlite3
    # AUTORCC: --no-zstd when the target Qt has no zstd (from Qt 6.5).
    python3 - "$SRC/qt6-base/src/corelib/Qt6CoreMacros.cmake" <<'PY'
import sys
path = sys.argv[1]
s = open(path).read()
helper = '''function(_qt_internal_disable_autorcc_zstd_when_not_supported target)
    if(TARGET "${target}" AND DEFINED QT_FEATURE_zstd AND NOT QT_FEATURE_zstd AND NOT QT_NO_AUTORCC_ZSTD)
        get_target_property(target_type ${target} TYPE)
        if(NOT target_type STREQUAL "INTERFACE_LIBRARY")
            set_property(TARGET "${target}" APPEND PROPERTY AUTORCC_OPTIONS "--no-zstd")
        endif()
    endif()
endfunction()

function(_qt_internal_create_executable target)'''
if '_qt_internal_disable_autorcc_zstd_when_not_supported' not in s:
    s = s.replace('function(_qt_internal_create_executable target)', helper, 1)
    s = s.replace('''    _qt_internal_set_up_static_runtime_library("${target}")
endfunction()''', '''    _qt_internal_disable_autorcc_zstd_when_not_supported("${target}")
    _qt_internal_set_up_static_runtime_library("${target}")
endfunction()''', 1)
    s = s.replace('''    add_library(${target} ${type_to_create} ${arg_UNPARSED_ARGUMENTS})
''', '''    add_library(${target} ${type_to_create} ${arg_UNPARSED_ARGUMENTS})
    _qt_internal_disable_autorcc_zstd_when_not_supported(${target})
''', 1)
    if s.count('_qt_internal_disable_autorcc_zstd_when_not_supported') != 3:
        sys.exit('Qt6CoreMacros.cmake is not the expected 6.4 file')
    open(path, 'w').write(s)
PY
}

# The amalgamation is generated with host tools (tclsh, lemon), then compiled
# for Windows into a static library inside the kit.
step_sqlite() {
    local b=$BUILD/sqlite
    rm -rf "$b"; mkdir -p "$b"
    (cd "$b" && nice "$SRC/sqlite3/configure" --disable-tcl --disable-readline >/dev/null && nice make -j"$JOBS" sqlite3.c)
    nice $TRIPLET-gcc-posix -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_ENABLE_COLUMN_METADATA -DSQLITE_ENABLE_FTS5 \
        -DSQLITE_ENABLE_RTREE=1 -DSQLITE_ENABLE_MATH_FUNCTIONS -DSQLITE_USE_URI=1 -DSQLITE_SECURE_DELETE \
        -c "$b/sqlite3.c" -o "$b/sqlite3.o"
    mkdir -p "$PREFIX/include" "$PREFIX/lib"
    $TRIPLET-ar rcs "$PREFIX/lib/libsqlite3.a" "$b/sqlite3.o"
    install -m644 "$b/sqlite3.h" "$SRC/sqlite3/src/sqlite3ext.h" "$PREFIX/include/"
}

step_configure() {
    local b=$BUILD/qtbase
    rm -rf "$b"; mkdir -p "$b"; cd "$b"
    nice "$SRC/qt6-base/configure" -prefix "$PREFIX" -release -shared -qt-host-path /usr \
        -nomake tests -nomake examples \
        -no-opengl -no-dbus -no-icu -no-openssl -no-zstd \
        -qt-zlib -qt-pcre -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz -qt-doubleconversion \
        -sql-sqlite -system-sqlite -no-sql-odbc -no-sql-psql -no-sql-mysql -no-sql-ibase -no-sql-oci -no-sql-db2 \
        -no-feature-tabletevent -no-feature-direct2d1_1 -no-feature-printsupport \
        -no-feature-androiddeployqt -no-feature-windeployqt \
        -- -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$MULTIARCH/cmake" \
        -DSQLite3_INCLUDE_DIR="$PREFIX/include" -DSQLite3_LIBRARY="$PREFIX/lib/libsqlite3.a"
}
# (Keep the "direct2d" feature: in 6.4 the windows platform plugin needs the
# DirectWrite font code that QtGui compiles only with it.)

step_build() {
    nice cmake --build "$BUILD/qtbase" --parallel "$JOBS"
}

# The kit also carries the compiler's runtime DLLs, stripped, beside Qt's.
step_install() {
    nice cmake --install "$BUILD/qtbase" --strip
    local gcc_dir
    gcc_dir=$(dirname "$($TRIPLET-gcc-posix -print-libgcc-file-name)")
    install -m644 "$gcc_dir/libstdc++-6.dll" "$gcc_dir/libgcc_s_seh-1.dll" \
        "/usr/$TRIPLET/lib/libwinpthread-1.dll" "$PREFIX/bin/"
    $TRIPLET-strip --strip-unneeded "$PREFIX"/bin/{libstdc++-6,libgcc_s_seh-1,libwinpthread-1}.dll
    echo "kit ready in $PREFIX (tools/windows.sh finds it there)"
}

steps=${*:-deps fetch sqlite configure build install}
[ -n "${*:-}" ] || rm -rf "$PREFIX" "$BUILD"
for step in $steps; do
    declare -F "step_$step" >/dev/null || { echo "unknown step: $step" >&2; exit 2; }
    echo "=== $step"
    start=$(date +%s)
    "step_$step" 2>&1 | tee "$LOGS/$step.log"
    echo "=== $step took $(($(date +%s) - start)) s"
done

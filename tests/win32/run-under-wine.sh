#!/bin/sh
# Runs a Windows test program under wine on a private X desktop.
# Usage: run-under-wine.sh PREFIX_DIR [PROGRAM.exe]
# Without a program it only prepares the wine prefix. Exits 77 (skipped) when
# wine cannot run here, so that CTest reports the test as skipped, not passed.
set -u
prefix=$1
program=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
if ! command -v wine >/dev/null 2>&1; then
    echo "SKIP: wine is not installed (Debian: wine wine64)"
    exit 77
fi
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -z "$program" ]; then
    rm -rf "$prefix"
    mkdir -p "$prefix"
    # wineserver writes the registry when it exits: wait for that.
    if ! "$here/../desktop-session.sh" --no-wm sh -c 'wineboot -i && wineserver -w' >"$prefix.log" 2>&1 \
        || [ ! -f "$prefix/system.reg" ]; then
        echo "SKIP: wine could not set up a prefix:"
        tail -20 "$prefix.log"
        exit 77
    fi
    echo "wine prefix ready in $prefix"
    exit 0
fi
if [ ! -f "$prefix/system.reg" ]; then
    echo "SKIP: no wine prefix (the setup test did not run or failed)"
    exit 77
fi
exec "$here/../desktop-session.sh" sh -c 'wine "$1"; status=$?; wineserver -k; exit $status' wine "$program"

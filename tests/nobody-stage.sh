# Sourced by the compositor sessions after tests/session-dirs.sh. The
# test and kesto run as "nobody"; where the build tree is out of its reach (a
# clone under /root, say), the test and the programs it starts are copied
# into the session's directory, which nobody can read.
if [ -n "$as" ] && ! $as test -x "$1"; then
    mkdir -p "$workdir/stage"
    cp "$1" "$workdir/stage/"
    if [ -n "${KESTO_BIN_DIR:-}" ]; then
        cp -r "$KESTO_BIN_DIR" "$workdir/stage/bin"
        KESTO_BIN_DIR=$workdir/stage/bin
        export KESTO_BIN_DIR
    fi
    chmod -R a+rX "$workdir/stage"
    staged=$workdir/stage/$(basename "$1")
    shift
    set -- "$staged" "$@"
    cd "$workdir" || exit 1
fi

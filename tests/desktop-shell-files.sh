#!/bin/sh
# Checks what kesto hands to KWin and GNOME Shell without running them: the
# scripts parse, and each extension's metadata is what GNOME Shell requires.
# Usage: desktop-shell-files.sh PLATFORM_DIR
set -eu
platform=$1
command -v node >/dev/null || { echo "SKIP: node is not installed"; exit 77; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
node --check "$platform/kwin/kesto.js"
for dir in "$platform"/gnome-shell/*/; do
    uuid=$(basename "$dir")
    # GNOME 45 and later load extensions as modules, earlier ones as scripts.
    if grep -q '^export default' "$dir/extension.js"; then
        cp "$dir/extension.js" "$tmp/extension.mjs"
        node --check "$tmp/extension.mjs"
    else
        node --check "$dir/extension.js"
    fi
    python3 - "$dir/metadata.json" "$uuid" "$dir/extension.js" <<'PY'
import json, sys
meta = json.load(open(sys.argv[1]))
for key in ("uuid", "name", "description", "shell-version"):
    assert key in meta, f"{sys.argv[1]}: no {key}"
assert meta["uuid"] == sys.argv[2], f"{sys.argv[1]}: uuid is not the directory's name"
versions = [int(v) for v in meta["shell-version"]]
module = "export default" in open(sys.argv[3]).read()
assert all(v >= 45 for v in versions) == module and (module or all(v < 45 for v in versions)), \
    f"{sys.argv[1]}: shell versions do not fit the extension's form"
PY
    echo "ok: $uuid"
done
echo "ok: kwin/kesto.js"

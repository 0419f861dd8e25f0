#!/usr/bin/env bash
# Runs the Windows build's window benchmark under Wine, in a fresh prefix on a private Xvfb
# display as the Windows tests run, against the same build's tolvane-convert.exe.
#   bench/run-windows.sh BUILD_DIR [FILES]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: run-windows.sh BUILD_DIR [FILES]}" && pwd)
files=${2:-20000}

WINEPREFIX=$(mktemp -d)
export WINEPREFIX
cleanup() {
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash -c '
    set -e
    bash "$0/scripts/wine-run.sh" wineboot -i >/dev/null 2>&1
    /usr/lib/wine/wineserver -w
    /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1
    bash "$0/scripts/wine-run.sh" wineboot </dev/null >/dev/null 2>&1
    bash "$0/scripts/wine-run.sh" "$1/bench/win32/window_bench.exe" \
        "Z:$(echo "$1/src/cli/tolvane-convert.exe" | tr / \\\\)" "$2"
' "$here" "$build" "$files"

#!/usr/bin/env bash
# Runs the Windows build's tests under Wine: a fresh Wine prefix, started together with a
# private Xvfb display so the window tests have a desktop, removed at the end.
#   scripts/check-windows.sh BUILD_DIR [CTEST ARGUMENT...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: check-windows.sh BUILD_DIR [CTEST ARGUMENT...]}
shift

WINEPREFIX=$(mktemp -d)
export WINEPREFIX
cleanup() {
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

# Wine's desktop belongs to the display it first starts on: the prefix is made on Xvfb too.
xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash -c '
    set -e
    bash "$0/scripts/wine-run.sh" wineboot -i >/dev/null 2>&1
    /usr/lib/wine/wineserver -w
    # One server, with its services, for the whole run, holding none of the tests'"'"' streams
    # (scripts/wine-run.sh says why); the clean-up ends it.
    /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1
    bash "$0/scripts/wine-run.sh" wineboot </dev/null >/dev/null 2>&1
    ctest --test-dir "$1" --output-on-failure -L windows "${@:2}"
' "$here" "$build" "$@"

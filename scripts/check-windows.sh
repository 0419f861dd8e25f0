#!/usr/bin/env bash
# Runs the Windows build's tests under Wine: a fresh Wine prefix, started together with a
# private Xvfb display so the window tests have a desktop, removed at the end.
#   scripts/check-windows.sh BUILD_DIR [CTEST ARGUMENT...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: check-windows.sh BUILD_DIR [CTEST ARGUMENT...]}
shift
exec bash "$here/scripts/wine-desktop.sh" \
    ctest --test-dir "$build" --output-on-failure -L windows "$@"

#!/usr/bin/env bash
# Runs the Windows build's window benchmark under Wine, on a desktop of its own as the Windows
# tests run, against the same build's tolvane-convert.exe.
#   bench/run-windows.sh BUILD_DIR [FILES]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: run-windows.sh BUILD_DIR [FILES]}" && pwd)
converter="Z:$(echo "$build/src/cli/tolvane-convert.exe" | tr / '\\')"
exec bash "$here/scripts/wine-desktop.sh" bash "$here/scripts/wine-run.sh" \
    "$build/bench/win32/window_bench.exe" "$converter" "${2:-20000}"

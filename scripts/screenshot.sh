#!/usr/bin/env bash
# Starts the program under a private Xvfb display and saves the screen to docs/screenshot.png.
# Usage: scripts/screenshot.sh BUILD_DIR   (the program is BUILD_DIR/src/app/tolvane)
#        scripts/screenshot.sh --windows BUILD_DIR   (BUILD_DIR/src/win32app/tolvane.exe under
#        Wine, in a throwaway prefix; saved to docs/screenshot-windows.png)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
windows=false
if [ "${1:-}" = "--windows" ]; then
    windows=true
    shift
fi
build_dir=${1:?usage: screenshot.sh [--windows] BUILD_DIR}
if $windows; then
    program="$build_dir/src/win32app/tolvane.exe"
    output="$here/docs/screenshot-windows.png"
else
    program="$build_dir/src/app/tolvane"
    output="$here/docs/screenshot.png"
fi
[ -f "$program" ] || { echo "screenshot: no program at $program" >&2; exit 1; }

# The first free display number from 90 on, so parallel runs do not collide.
display=90
while [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ]; do
    display=$((display + 1))
done

Xvfb ":$display" -screen 0 800x600x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
}
trap cleanup EXIT

for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X${display}" ] && break
    sleep 0.1
done

# A throwaway config folder (or Wine prefix), so the run leaves the user's settings alone.
config=$(mktemp -d)
if $windows; then
    export WINEPREFIX="$config/wine"
    DISPLAY=":$display" bash "$here/scripts/wine-run.sh" wineboot -i >/dev/null 2>&1
    # Wine's own desktop draws the window's frame and caption; Xvfb has no window manager.
    DISPLAY=":$display" bash "$here/scripts/wine-run.sh" explorer /desktop=Tolvane,800x600 \
        "$program" &
    app_pid=$!
    sleep "${SCREENSHOT_DELAY:-6}"
    DISPLAY=":$display" import -window root "$output"
    kill "$app_pid" 2>/dev/null || true
    /usr/lib/wine/wineserver -k 2>/dev/null || true
else
    DISPLAY=":$display" QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$config" "$program" &
    app_pid=$!
    sleep "${SCREENSHOT_DELAY:-3}"
    DISPLAY=":$display" import -window root "$output"
fi
rm -rf "$config"
echo "screenshot: $output"

#!/usr/bin/env bash
# Starts the program under a private Xvfb display and saves the screen to docs/screenshot.png.
# Usage: scripts/screenshot.sh BUILD_DIR   (the program is BUILD_DIR/src/app/tolvane)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:?usage: screenshot.sh BUILD_DIR}
program="$build_dir/src/app/tolvane"
output="$here/docs/screenshot.png"
[ -x "$program" ] || { echo "screenshot: no program at $program" >&2; exit 1; }

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

# A throwaway config folder, so the run leaves the user's view settings alone.
config=$(mktemp -d)
DISPLAY=":$display" QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$config" "$program" &
app_pid=$!
sleep "${SCREENSHOT_DELAY:-3}"
DISPLAY=":$display" import -window root "$output"
rm -rf "$config"
echo "screenshot: $output"

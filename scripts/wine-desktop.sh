#!/usr/bin/env bash
# Runs a command with Wine ready on a desktop of its own: a fresh Wine prefix, made on a
# private Xvfb display so window programs have a desktop, one Wine server for the whole
# command, all removed at the end. The command's exit status is this script's.
#   scripts/wine-desktop.sh COMMAND [ARGUMENT...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

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
    # One server, with its services, for the whole run, holding none of the command'"'"'s
    # streams (scripts/wine-run.sh says why); the clean-up ends it.
    /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1
    bash "$0/scripts/wine-run.sh" wineboot </dev/null >/dev/null 2>&1
    "$@"
' "$here" "$@"

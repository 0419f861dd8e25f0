#!/usr/bin/env bash
# Runs a Windows program under Wine: 64-bit Wine, no debug output, and a private prefix
# ($WINEPREFIX when set, else one per user in the temporary folder), so the user's own Wine
# set-up is never touched. The program's exit status is this script's.
#   scripts/wine-run.sh PROGRAM.exe [ARGUMENT...]
set -euo pipefail
export WINEPREFIX=${WINEPREFIX:-${TMPDIR:-/tmp}/tolvane-wine-$(id -u)}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers: the programs need neither.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# Wine's server, its services and the desktop outlive the program that starts them and keep
# the standard output and error it had. A caller reading those through a pipe would then wait
# until the server ends: 3 s after the last Wine program, or never while other programs keep
# the prefix busy (tests run side by side).
# So when no server runs, one is started here, and its services booted, with none of the
# caller's streams (the server's status 2 means one runs)...
if /usr/lib/wine/wineserver </dev/null >/dev/null 2>&1; then
    /usr/lib/wine/wine64 wineboot </dev/null >/dev/null 2>&1 || true
fi
# ...and whatever the program starts itself (the desktop, a service on demand) gets files, not
# the caller's pipes: the output is passed on when the program ends. A terminal is no pipe.
if [ -t 1 ] && [ -t 2 ]; then
    exec /usr/lib/wine/wine64 "$@"
fi
output=$(mktemp)
errors=$(mktemp)
pass_on() {
    cat "$output"
    cat "$errors" >&2
    rm -f "$output" "$errors"
}
trap pass_on EXIT
status=0
/usr/lib/wine/wine64 "$@" >"$output" 2>"$errors" || status=$?
exit "$status"

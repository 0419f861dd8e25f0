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

# Wine's server and the service programs the first client starts outlive that client and keep
# its standard output and error open. A caller reading them through a pipe then waits until
# the server ends: 3 s after the last Wine program, or never while other programs keep the
# prefix busy (tests run side by side). So when no server runs, one is started here, and its
# services booted, with none of the caller's streams. The server's status 2 means one runs.
if /usr/lib/wine/wineserver </dev/null >/dev/null 2>&1; then
    /usr/lib/wine/wine64 wineboot </dev/null >/dev/null 2>&1 || true
fi
exec /usr/lib/wine/wine64 "$@"

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
exec /usr/lib/wine/wine64 "$@"

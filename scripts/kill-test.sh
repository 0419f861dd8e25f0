#!/usr/bin/env bash
# SIGKILL at 24 moments of a real tolvane-convert run of 2,500 messages, and at every system
# call of its first commit: each file left must pass tolvane-pstcheck --strict, hold at least
# what the run had committed before the kill, and be named and kept by the next run into its
# folder; a kill before the file has its name leaves none. make check runs 6 moments.
#
#   scripts/kill-test.sh [BUILD_DIR] [MOMENTS]     (default: build/release, 24)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/release}
moments=${2:-24}
if [ ! -x "$build/src/cli/tolvane-convert" ] || [ ! -x "$build/src/pstcheck/tolvane-pstcheck" ]; then
    cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build "$build" --target tolvane-convert tolvane-pstcheck -j "$(nproc)"
fi
exec /usr/bin/python3 "$here/tests/cli/durable_runs.py" "$build/src/cli/tolvane-convert" \
    "$build/src/pstcheck/tolvane-pstcheck" --kills "$moments" KillTest FirstCommit

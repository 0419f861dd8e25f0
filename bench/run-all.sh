#!/usr/bin/env bash
# Runs every benchmark binary (named *_bench) built under the build directory given as $1.
set -euo pipefail
build_dir=${1:?usage: run-all.sh BUILD_DIR}
status=0
found=0
while IFS= read -r bench; do
    found=1
    echo "== $(basename "$bench")"
    # What the last one wrote goes to the disk first: its writeback is not this one's time.
    sync
    "$bench" || status=1
done < <(find "$build_dir/bench" -type f -name '*_bench' -perm -u+x 2>/dev/null | sort)
if [ "$found" = 0 ]; then
    echo "no benchmarks found under $build_dir/bench" >&2
    exit 1
fi
exit "$status"

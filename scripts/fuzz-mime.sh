#!/usr/bin/env bash
# Builds the MIME import fuzz target with clang/libFuzzer into build/fuzz and runs it on
# the seeds in tests/mime/corpus and tests/mime/damaged (one job, low priority: the machine
# is shared).
#   scripts/fuzz-mime.sh [seconds] [more libFuzzer flags]   seconds default 1800
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out="$here/build/fuzz"
mkdir -p "$out/objs" "$here/fuzz-corpus-work/mime"
seconds=${1:-1800}
shift || true

flags=(-std=c++20 -g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined
       -fno-sanitize-recover=undefined -I"$here/src" -I"$here/tests/mime" $(pkg-config --cflags gmime-3.0))
objs=()
for src in "$here"/src/mapi/*.cpp "$here"/src/mime/*.cpp "$here"/fuzz/mime_import_fuzz.cpp; do
  obj="$out/objs/$(basename "$(dirname "$src")")_$(basename "${src%.cpp}").o"
  if [ ! -f "$obj" ] || [ "$src" -nt "$obj" ] || [ -n "$(find "$here/src/mime" "$here/src/mapi" "$here/tests/mime" -name '*.h' -newer "$obj")" ]; then
    nice -n 10 clang++ "${flags[@]}" -c "$src" -o "$obj"
  fi
  objs+=("$obj")
done
nice -n 10 clang++ -fsanitize=fuzzer,address,undefined "${objs[@]}" $(pkg-config --libs gmime-3.0) \
  -o "$out/mime_import_fuzz"

cd "$out"
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export LSAN_OPTIONS=suppressions=$here/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
exec nice -n 10 "$out/mime_import_fuzz" -jobs=1 -workers=1 -max_total_time="$seconds" \
  -max_len=65536 -timeout=20 -rss_limit_mb=2048 -artifact_prefix="$out/" "$@" \
  "$here/fuzz-corpus-work/mime" "$here/tests/mime/corpus" "$here/tests/mime/damaged"

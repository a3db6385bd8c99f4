#!/bin/sh
# Builds the libFuzzer targets (preset fuzz: Clang, ASan + UBSan) and runs each for
# SECONDS (default 20), starting from its seed corpus in fuzz/corpus/<target>.
#   scripts/fuzz.sh [SECONDS]
# New inputs go to build/fuzz/corpus/<target> (kept between runs, so longer runs build
# on earlier ones); the repository's seeds are never written. A failing input is saved
# as build/fuzz/artifacts/<target>-crash-<sha1> and the script stops with an error.
# Reproduce one with: build/fuzz/fuzz/zbutil_fuzz_<target> <file>
set -eu
cd "$(dirname "$0")/.."
seconds="${1:-20}"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

mkdir -p build/fuzz/artifacts
for target in string_core string_transform reparser record_parser follower; do
  work="build/fuzz/corpus/$target"
  mkdir -p "$work"
  echo "=== fuzz $target for ${seconds}s"
  # -max_len bounds the inputs; the targets' naive references stay fast below it.
  ASAN_OPTIONS="detect_leaks=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    "build/fuzz/fuzz/zbutil_fuzz_$target" -max_total_time="$seconds" -max_len=4096 \
    -print_final_stats=1 -artifact_prefix="build/fuzz/artifacts/$target-" \
    "$work" "fuzz/corpus/$target" 2>"build/fuzz/$target.log" ||
    { tail -n 60 "build/fuzz/$target.log"; echo "fuzz $target: failed" >&2; exit 1; }
  grep -E '^#[0-9]+.*DONE' "build/fuzz/$target.log" | tail -n 1
done
echo "fuzz ok"

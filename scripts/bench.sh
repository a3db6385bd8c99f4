#!/bin/sh
# Builds the default preset, runs every benchmark executable (build/default/bench/
# zbutil_bench_*) family by family with JSON output, printing a line per family, and
# writes docs/PERFORMANCE.md and its pictures (docs/*.svg) from the results.
#   scripts/bench.sh [Google Benchmark flags...]   e.g. --benchmark_filter=Log
# ZBUTIL_BENCH_REPETITIONS (default 9) sets the repetitions; each figure is their
# median, with the repetitions of the benchmarks of a family run in random order.
# The logger, rotation and contention benchmarks write under $TMPDIR (default /tmp).
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh bench
cmake --preset default >/dev/null
cmake --build --preset default
# Debian's interpreter, which has Debian's matplotlib, whatever else is first on PATH.
python=/usr/bin/python3
[ -x "$python" ] || python=python3

# Kept for a look or for rendering the report again without a new run:
#   /usr/bin/python3 bench/report.py --build-dir build/default --out docs/PERFORMANCE.md \
#     build/default/bench/results/*.json
results=build/default/bench/results
rm -rf "$results"
mkdir -p "$results"
found=0
begin=$(date +%s)
for exe in build/default/bench/zbutil_bench_*; do
  [ -x "$exe" ] || continue
  found=1
  name=$(basename "$exe")
  # The families, in registration order, that the caller's flags (a filter) select.
  index=0
  for family in $("$exe" --benchmark_list_tests=true "$@" 2>/dev/null | cut -d/ -f1 | uniq); do
    index=$((index + 1))
    start=$(date +%s)
    "$exe" "$@" --benchmark_filter="^$family(/|\$)" \
      --benchmark_repetitions="${ZBUTIL_BENCH_REPETITIONS:-9}" \
      --benchmark_enable_random_interleaving=true --benchmark_min_time=0.05 \
      --benchmark_report_aggregates_only=true \
      --benchmark_out="$results/$name.$index.$family.json" --benchmark_out_format=json \
      >>"$results/console.txt" 2>&1
    echo "$name: $family done in $(($(date +%s) - start)) s"
  done
done
# The record's cost on i386 too: the logger's benchmark of a 32-bit build, its
# families renamed so that the report shows them beside the 64-bit ones.
if cmake --preset i386 -B build/i386-bench -DZBUTIL_BUILD_BENCHMARKS=ON >/dev/null &&
  cmake --build build/i386-bench --target zbutil_bench_logger >/dev/null; then
  build/i386-bench/bench/zbutil_bench_logger "$@" --benchmark_filter='^LogRecord/' \
    --benchmark_repetitions="${ZBUTIL_BENCH_REPETITIONS:-9}" \
    --benchmark_enable_random_interleaving=true --benchmark_min_time=0.05 \
    --benchmark_report_aggregates_only=true \
    --benchmark_out="$results/i386.json" --benchmark_out_format=json >>"$results/console.txt" 2>&1
  sed -i 's|"LogRecord/|"LogRecordI386/|g' "$results/i386.json"
  echo "zbutil_bench_logger (i386): LogRecord done"
fi
if [ "$found" = 0 ]; then
  echo "no benchmark was built (Google Benchmark missing?)" >&2
  exit 1
fi
mkdir -p docs
"$python" bench/report.py --build-dir build/default --out docs/PERFORMANCE.md "$results"/*.json
echo "wrote docs/PERFORMANCE.md and its pictures in $(($(date +%s) - begin)) s"

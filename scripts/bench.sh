#!/bin/sh
# Builds the default preset, runs every benchmark executable (build/default/bench/
# zbutil_bench_*) with JSON output and writes docs/PERFORMANCE.md from the results.
#   scripts/bench.sh [Google Benchmark flags...]   e.g. --benchmark_filter=Log
# ZBUTIL_BENCH_REPETITIONS (default 5) sets the repetitions; each figure is their
# median, with the repetitions of all benchmarks of a binary run in random order.
# The logger and rotation benchmarks write under $TMPDIR (default /tmp).
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh bench
cmake --preset default >/dev/null
cmake --build --preset default

# Kept for a look or for rendering the report again without a new run:
#   python3 bench/report.py --build-dir build/default --out docs/PERFORMANCE.md \
#     build/default/bench/results/*.json
results=build/default/bench/results
rm -rf "$results"
mkdir -p "$results"
found=0
for exe in build/default/bench/zbutil_bench_*; do
  [ -x "$exe" ] || continue
  found=1
  name=$(basename "$exe")
  echo "=== $name"
  "$exe" --benchmark_repetitions="${ZBUTIL_BENCH_REPETITIONS:-5}" \
    --benchmark_enable_random_interleaving=true --benchmark_min_time=0.05 \
    --benchmark_report_aggregates_only=true \
    --benchmark_out="$results/$name.json" --benchmark_out_format=json "$@"
done
if [ "$found" = 0 ]; then
  echo "no benchmark was built (Google Benchmark missing?)" >&2
  exit 1
fi
mkdir -p docs
python3 bench/report.py --build-dir build/default --out docs/PERFORMANCE.md "$results"/*.json
echo "wrote docs/PERFORMANCE.md"

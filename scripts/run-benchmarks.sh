#!/bin/sh
# Builds the benchmarks (Release) and runs each one; they print figures, never pass/fail.
#   scripts/run-benchmarks.sh [build-dir]
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench-release}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKORVALE_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target bench_engine_render bench_clip_open bench_engine_memory \
    bench_callback_cost >/dev/null
for bench in engine_render clip_open engine_memory callback_cost; do
    echo "== $bench"
    "$build/bench/bench_$bench"
done

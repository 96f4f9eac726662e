#!/bin/sh
# Builds every benchmark (Release) and runs each one; they print figures, never pass/fail.
#   scripts/run-benchmarks.sh [build-dir] [name ...]
# With names (e.g. engine_render shuffle_window) only those run.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench-release}
[ $# -gt 0 ] && shift
if [ $# -gt 0 ]; then
    benches="$*"
else
    benches=$(cd "$root/bench" && ls *.cpp | sed 's/\.cpp$//')
fi
targets=""
for bench in $benches; do targets="$targets bench_$bench"; done
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKORVALE_BUILD_BENCH=ON >/dev/null
# shellcheck disable=SC2086
cmake --build "$build" -j2 --target $targets >/dev/null
for bench in $benches; do
    echo "== $bench"
    QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/bench_$bench"
done

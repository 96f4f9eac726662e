#!/usr/bin/env bash
# Runs the fuzz targets long, one after another, each until RUNS executions or SECONDS of
# time, whichever comes first, growing its scratch corpus in build/fuzz/corpus/<name>/.
#
#   scripts/fuzz-long.sh [RUNS] [SECONDS]      default 10000000 runs, 3600 s per target
#   FUZZ_TARGETS="decoder" scripts/fuzz-long.sh 10000000 7200
#
# Prints each target's executions at the end; a fault stops the script and leaves its
# input in build/fuzz/artifacts/ (make it a unit test before fixing the code).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
runs="${1:-10000000}"
seconds="${2:-3600}"
build="$root/build/fuzz"
targets=(${FUZZ_TARGETS:-ztl m3u run_state media_command decoder})

# Builds the targets (a run of 1 execution each).
FUZZ_TARGETS="${targets[*]}" bash "$root/scripts/fuzz.sh" 1 >/dev/null

# What a target writes for itself goes to a scratch folder in the build folder.
export TMPDIR="$build/tmp"
mkdir -p "$TMPDIR"
trap 'rm -rf "$build/tmp"' EXIT
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
for name in "${targets[@]}"; do
    scratch="$build/corpus/$name"
    mkdir -p "$scratch" "$build/artifacts"
    log="$build/$name.long.log"
    "$build/fuzz_$name" -runs="$runs" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -max_len=8192 -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/${name}-" \
        "$scratch" "$root/tests/fuzz/corpus/$name" 2>"$log" || {
        echo "fuzz_$name FAILED; its log: $log" >&2
        tail -n 60 "$log" >&2
        exit 1
    }
    executed=$(grep -o "stat::number_of_executed_units: *[0-9]*" "$log" | grep -o "[0-9]*$")
    echo "fuzz_$name: $executed executions clean"
done

#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (tests/fuzz, a project of its own) and runs each
# one from its seed corpus in tests/fuzz/corpus/<name>/.
#
#   scripts/fuzz.sh [RUNS]        every target for RUNS executions; what CI runs. Without
#                                 RUNS: 20000 for the text readers, 4000 for the targets
#                                 that decode or render audio (each of their executions
#                                 opens a clip). Fails on the first target that finds a fault.
#   FUZZ_TARGETS="ztl m3u" scripts/fuzz.sh ...   only those targets
#
# New inputs go to a scratch corpus (build/fuzz/corpus/<name>/), never into the checked-in
# seeds. A fault leaves its input in build/fuzz/artifacts/; turn it into a unit test with
# that input before fixing the code. For long runs see scripts/fuzz-long.sh.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
runs="${1:-}"
build="$root/build/fuzz"
targets=(${FUZZ_TARGETS:-ztl m3u run_state media_command decoder})

CC="${CC_FUZZ:-clang}" CXX="${CXX_FUZZ:-clang++}" \
    cmake -S "$root/tests/fuzz" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
if [[ -z "${FUZZ_TARGETS:-}" ]]; then
    cmake --build "$build" -j"$(nproc)" --target fuzz_all
else
    cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"
fi

mkdir -p "$build/artifacts"
# What a target writes for itself goes to a scratch folder in the build folder, never left
# in /tmp; the folder goes when the script ends.
export TMPDIR="$build/tmp"
rm -rf "$TMPDIR"
mkdir -p "$TMPDIR"
trap 'rm -rf "$build/tmp"' EXIT
# Leaks inside the engine's worker threads and the libraries count; a hang over 10 s per
# input is a fault.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
for name in "${targets[@]}"; do
    scratch="$build/corpus/$name"
    mkdir -p "$scratch"
    target_runs="$runs"
    if [[ -z "$target_runs" ]]; then
        case "$name" in
        media_command | decoder) target_runs=4000 ;;
        *) target_runs=20000 ;;
        esac
    fi
    echo "fuzz_$name: $target_runs runs"
    "$build/fuzz_$name" -runs="$target_runs" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/${name}-" \
        "$scratch" "$root/tests/fuzz/corpus/$name" 2>"$build/$name.log" || {
        echo "fuzz_$name FAILED; its log:" >&2
        tail -n 60 "$build/$name.log" >&2
        exit 1
    }
    grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "$build/$name.log" | tail -n 1
done
echo "fuzz: ${#targets[@]} targets ran clean"

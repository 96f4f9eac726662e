#!/usr/bin/env bash
# Builds KORVALE with its tests and runs every test headless: Qt's offscreen platform, a
# private session bus, and a private PulseAudio daemon with a null sink.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc)"

bash "$root/scripts/deps.sh" test

# Every C++ file is in the project's format (.clang-format, read by clang-format 14).
unformatted=()
while IFS= read -r -d '' file; do
    if ! clang-format-14 --style=file --dry-run --Werror "$file" >/dev/null 2>&1; then
        unformatted+=("${file#"$root"/}")
    fi
done < <(find "$root/src" "$root/tests" "$root/bench" -type f \( -name '*.h' -o -name '*.cpp' \) \
    -print0 | sort -z)
if ((${#unformatted[@]} > 0)); then
    echo "Not in the project's format (run clang-format-14 -i on them):" >&2
    printf '    %s\n' "${unformatted[@]}" >&2
    exit 1
fi

# Each stage after the release stage fails the script when it fails. KORVALE_TEST_STAGES
# picks them (default: all of "sanitize tsan fuzz").
stages="${KORVALE_TEST_STAGES:-sanitize tsan fuzz}"
# A first build compiles in unity batches (faster from scratch); a build folder configured before
# keeps its choice (unity batches are slower to rebuild after a change). KORVALE_UNITY_BUILD=ON
# or OFF decides it either way.
# The package test packs what this stage built: packing never builds the rest first.
# The benchmarks are not tests: scripts/run-benchmarks.sh builds what it runs, and
# KORVALE_TEST_BENCH=ON builds them here too.
bench="${KORVALE_TEST_BENCH:-OFF}"
unity=()
if [[ -n "${KORVALE_UNITY_BUILD:-}" ]]; then
    unity=(-DKORVALE_UNITY_BUILD="$KORVALE_UNITY_BUILD")
elif [[ ! -f "$root/build/test/CMakeCache.txt" ]]; then
    unity=(-DKORVALE_UNITY_BUILD=ON)
fi
cmake -S "$root" -B "$root/build/test" -DCMAKE_BUILD_TYPE=Release \
    -DKORVALE_BUILD_TESTS=ON -DKORVALE_BUILD_BENCH="$bench" -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
    "${unity[@]}" >/dev/null
# With the sanitizer stage to come, the unit and window tests are built and run there only
# (the sound-server tests among them with the leak checker off); the release stage builds
# the program, its package, the system tests and the benchmarks.
release_targets=()
release_ctest=()
if [[ " $stages " == *" sanitize "* ]]; then
    # (The system tests' target builds the program first: one target, built in parallel.)
    release_targets=(--target korvale_system_tests)
    if [[ "$bench" == ON ]]; then
        for program in "$root"/bench/*.cpp; do
            release_targets+=("bench_$(basename "$program" .cpp)")
        done
    fi
    release_ctest=(-LE 'unit|gui')
fi
cmake --build "$root/build/test" -j"$jobs" "${release_targets[@]}"

scratch="$(mktemp -d /tmp/korvale-test.XXXXXX)"
trap 'rm -rf "$scratch"' EXIT
# The bus reads its activation files from XDG_DATA_HOME, so it is set before the bus starts.
export XDG_DATA_HOME="$scratch/data"
mkdir -p "$XDG_DATA_HOME"
export QT_QPA_PLATFORM=offscreen

# The stream's tests talk to a private Icecast 2 server (scripts/with-icecast.sh).
dbus-run-session -- bash "$root/scripts/with-pulseaudio.sh" bash "$root/scripts/with-icecast.sh" \
    ctest --test-dir "$root/build/test" --output-on-failure --timeout 900 "${release_ctest[@]}"

supp="$root/tests/sanitizers"
# The sound-server tests, which need the leak checker off.
server_tests='LevelsOnPulse.*:EnginePulse.*'
# The Ogg formats' rows on the server, which the release stage runs: under AddressSanitizer the
# MP3 row takes the broadcaster through the same connection, loss and return, and the Ogg
# encoders run there in their round-trip tests; this keeps the stage's time down.
ogg_stream_rows='Formats/BroadcastFormat.*/vorbis:Formats/BroadcastFormat.*/opus'
run_headless() {
    dbus-run-session -- bash "$root/scripts/with-pulseaudio.sh" bash "$root/scripts/with-icecast.sh" "$@"
}

# AddressSanitizer + UndefinedBehaviorSanitizer over the unit and window tests. -O1 and a
# unity build of the library keep the build and the run short; leaks inside system libraries (fonts, Qt's platform
# plug-ins) are suppressed by tests/sanitizers/lsan.supp, never those of KORVALE's code.
if [[ " $stages " == *" sanitize "* ]]; then
    echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
    cmake --preset sanitize -S "$root" -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DKORVALE_UNITY_BUILD=ON >/dev/null
    cmake --build "$root/build/sanitize" -j"$jobs" --target korvale_unit_tests korvale_gui_tests
    # (No detect_stack_use_after_return: its heap-held frames would defeat the tests that
    # measure how deep the stack goes.)
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
    export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$supp/ubsan.supp"
    # The sound-server tests run with the leak checker off: ALSA loads its PulseAudio plug-in
    # (and libpulse with it) for them and unloads it when the device closes, after which
    # LeakSanitizer finds the plug-in's caches in a module it can no longer name.
    run_headless "$root/build/sanitize/tests/korvale_unit_tests" --gtest_brief=1 \
        --gtest_filter="-$server_tests:$ogg_stream_rows"
    ASAN_OPTIONS="${ASAN_OPTIONS/detect_leaks=1/detect_leaks=0}" \
        run_headless "$root/build/sanitize/tests/korvale_unit_tests" --gtest_brief=1 \
        --gtest_filter="$server_tests"
    run_headless "$root/build/sanitize/tests/korvale_gui_tests" --gtest_brief=1
    # The window drawn at twice the pixels: the ctest entry, which this stage takes over from
    # the release stage, with its own filter and environment.
    ctest --test-dir "$root/build/sanitize" -R '^gui_double_density$' --output-on-failure
    unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS
fi

# ThreadSanitizer over the unit suites in which threads meet (korvale_thread_tests): the
# voices' worker threads and the output thread, the clip analyser's, the recorder's and the
# run-state writer's workers. The sound-server and stream tests are not among them: ALSA's
# PulseAudio plug-in hands memory between PortAudio's thread and libpulse's own through
# synchronisation ThreadSanitizer cannot see in those uninstrumented libraries, and neither is
# libshout instrumented.
if [[ " $stages " == *" tsan "* ]]; then
    echo "== ThreadSanitizer"
    cmake --preset tsan -S "$root" -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DKORVALE_UNITY_BUILD=ON >/dev/null
    cmake --build "$root/build/tsan" -j"$jobs" --target korvale_thread_tests
    TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$supp/tsan.supp" \
        run_headless "$root/build/tsan/tests/korvale_thread_tests" --gtest_brief=1
fi

# libFuzzer: every target for a short fixed number of executions from its seed corpus.
if [[ " $stages " == *" fuzz "* ]]; then
    echo "== libFuzzer"
    bash "$root/scripts/fuzz.sh" ${KORVALE_FUZZ_RUNS:-}
fi
# Reached only when every stage passed (set -e ends the script at the first failure).
echo "== every test stage passed"

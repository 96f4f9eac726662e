#!/usr/bin/env bash
# Builds KORVALE with its tests and runs every test headless: Qt's offscreen platform, a
# private session bus, and a private PulseAudio daemon with a null sink.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc)"

bash "$root/scripts/deps.sh" test
cmake -S "$root" -B "$root/build/test" -DCMAKE_BUILD_TYPE=Release \
    -DKORVALE_BUILD_TESTS=ON -DKORVALE_BUILD_BENCH=ON >/dev/null
cmake --build "$root/build/test" -j"$jobs"

scratch="$(mktemp -d /tmp/korvale-test.XXXXXX)"
trap 'rm -rf "$scratch"' EXIT
# The bus reads its activation files from XDG_DATA_HOME, so it is set before the bus starts.
export XDG_DATA_HOME="$scratch/data"
mkdir -p "$XDG_DATA_HOME"
export QT_QPA_PLATFORM=offscreen

dbus-run-session -- bash "$root/scripts/with-pulseaudio.sh" \
    ctest --test-dir "$root/build/test" --output-on-failure --timeout 900

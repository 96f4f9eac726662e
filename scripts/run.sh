#!/usr/bin/env bash
# Builds KORVALE in release and starts it in the folder that holds its help page.
# Where no display is available it starts the program on a virtual X display.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

bash "$root/scripts/deps.sh" run
cmake -S "$root" -B "$root/build/release" -DCMAKE_BUILD_TYPE=Release \
    -DKORVALE_BUILD_TESTS=OFF -DKORVALE_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build/release" --target korvale -j"$(nproc)"

xvfb_pid=""
cleanup() {
    if [[ -n "$xvfb_pid" ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    display=99
    while [[ -e "/tmp/.X11-unix/X$display" || -e "/tmp/.X$display-lock" ]]; do
        display=$((display + 1))
    done
    Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$display"
    for _ in $(seq 50); do
        [[ -e "/tmp/.X11-unix/X$display" ]] && break
        sleep 0.1
    done
    echo "No display found: KORVALE runs on the virtual X display $DISPLAY (Xvfb, pid $xvfb_pid)."
fi

# The help page is found in the start-up working directory.
cd "$root/data"
"$root/build/release/korvale" "$@"

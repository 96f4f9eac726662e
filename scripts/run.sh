#!/usr/bin/env bash
# Builds KORVALE in release and starts it in the folder that holds its help page.
# Where no display is available it starts the program on a virtual X display, and where
# no session bus is available either (a machine without a desktop session), on a private
# session bus of its own.
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

launcher=()
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    display=99
    while [[ -e "/tmp/.X11-unix/X$display" || -e "/tmp/.X$display-lock" ]]; do
        display=$((display + 1))
    done
    # -noreset: the server would otherwise reset whenever its last client disconnects.
    Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$display"
    for _ in $(seq 50); do
        [[ -e "/tmp/.X11-unix/X$display" ]] && break
        sleep 0.1
    done
    echo "No display found: KORVALE runs on the virtual X display $DISPLAY (Xvfb, pid $xvfb_pid)."
    # KORVALE cannot start without a session bus. A desktop session provides one (named in
    # DBUS_SESSION_BUS_ADDRESS or at the user's runtime folder); without one, the program
    # runs on a bus of its own that ends with it.
    user_bus="${XDG_RUNTIME_DIR:-/run/user/$(id -u)}/bus"
    if [[ -z "${DBUS_SESSION_BUS_ADDRESS:-}" && ! -S "$user_bus" ]]; then
        launcher=(dbus-run-session --)
        echo "No session bus found: KORVALE runs on a private session bus (dbus-run-session)."
    fi
fi

# The help page is found in the start-up working directory.
cd "$root/data"
"${launcher[@]}" "$root/build/release/korvale" "$@"

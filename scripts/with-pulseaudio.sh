#!/bin/sh
# Runs a command against a private PulseAudio daemon whose default sink is a null sink
# named korvale_null (its monitor, korvale_null.monitor, records what was played).
#
#   scripts/with-pulseaudio.sh [--reuse] COMMAND [ARG...]
#
# With --reuse, under a server of this script already, the command runs on that one.
# The daemon gets its own XDG_RUNTIME_DIR and HOME (fresh temporary folders) and an
# ~/.asoundrc that routes ALSA's default pcm and ctl to it, so PortAudio's default device
# and the ALSA mixer reach the server. The command sees PULSE_SERVER, XDG_RUNTIME_DIR, HOME
# and KORVALE_PULSE_PID (the daemon's process id). The daemon is stopped by its own id
# afterwards; the script exits with the command's exit code.
set -u

if [ "${1:-}" = "--reuse" ]; then
    shift
    if [ -n "${KORVALE_PULSE_PID:-}" ]; then
        exec "$@"
    fi
fi
if [ "$#" -eq 0 ]; then
    echo "usage: $0 [--reuse] COMMAND [ARG...]" >&2
    exit 2
fi

runtime_dir=$(mktemp -d "${TMPDIR:-/tmp}/korvale-pulse-run.XXXXXX") || exit 1
home_dir=$(mktemp -d "${TMPDIR:-/tmp}/korvale-pulse-home.XXXXXX") || exit 1
chmod 700 "$runtime_dir" "$home_dir"
socket="$runtime_dir/pulse/native"
mkdir -p "$runtime_dir/pulse"

cleanup() {
    if [ -n "${pulse_pid:-}" ] && kill -0 "$pulse_pid" 2>/dev/null; then
        kill "$pulse_pid" 2>/dev/null
        i=0
        while kill -0 "$pulse_pid" 2>/dev/null && [ "$i" -lt 50 ]; do
            sleep 0.1
            i=$((i + 1))
        done
        kill -9 "$pulse_pid" 2>/dev/null
    fi
    rm -rf "$runtime_dir" "$home_dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

cat > "$home_dir/.asoundrc" <<ASOUND
pcm.!default {
    type pulse
}
ctl.!default {
    type pulse
}
ASOUND

cat > "$runtime_dir/default.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$socket
load-module module-null-sink sink_name=korvale_null rate=48000 channels=2
set-default-sink korvale_null
PA

# Off the session bus: a second private daemon on the same bus would find the server's
# bus name taken and refuse to start.
env -u DBUS_SESSION_BUS_ADDRESS XDG_RUNTIME_DIR="$runtime_dir" HOME="$home_dir" \
    pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit=false -n \
    --file="$runtime_dir/default.pa" --use-pid-file=false --log-target=stderr \
    --log-level=error >"$runtime_dir/pulse.log" 2>&1 &
pulse_pid=$!

export XDG_RUNTIME_DIR="$runtime_dir"
export HOME="$home_dir"
export PULSE_SERVER="unix:$socket"
export KORVALE_PULSE_PID="$pulse_pid"
# PortAudio probes JACK first; never let that start a JACK server.
export JACK_NO_START_SERVER=1

i=0
until pactl info >/dev/null 2>&1; do
    i=$((i + 1))
    if [ "$i" -gt 100 ] || ! kill -0 "$pulse_pid" 2>/dev/null; then
        echo "$0: PulseAudio did not start" >&2
        cat "$runtime_dir/pulse.log" >&2
        exit 1
    fi
    sleep 0.1
done

"$@"
status=$?
exit "$status"

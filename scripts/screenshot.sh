#!/bin/sh
# Takes a screenshot of the KORVALE window on a virtual X display.
#
#   scripts/screenshot.sh <path of the built korvale binary> <output.png>
#
# Builds nothing. Starts Xvfb on a free display and the program on a private session bus
# (dbus-run-session, with a throw-away XDG_DATA_HOME so that the user's own bus
# registration is left alone), in a folder that holds the help page. Answers the start-up
# messages about missing sound devices, captures the main window, and stops the program
# and Xvfb by their own PIDs. Needs Xvfb, xdotool and ImageMagick's import.
set -eu

if [ "$#" -ne 2 ]; then
    echo "usage: $0 <korvale binary> <output.png>" >&2
    exit 2
fi
binary=$(readlink -f "$1")
output=$2
here=$(cd "$(dirname "$0")" && pwd)
help_page="$here/../data/korvale_1_1_help.htm"
screen=1280x1024x24
wait_steps=150 # of 0.1 s

for tool in Xvfb xdotool import dbus-run-session; do
    command -v "$tool" >/dev/null 2>&1 || { echo "$0: $tool is needed" >&2; exit 1; }
done
[ -x "$binary" ] || { echo "$0: $binary is not an executable" >&2; exit 1; }

work=$(mktemp -d)
xvfb_pid=""
program_pid=""
cleanup() {
    if [ -n "$program_pid" ]; then kill "$program_pid" 2>/dev/null || true; fi
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# A free display number: neither its socket nor its lock file exists.
number=99
while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do
    number=$((number + 1))
done
display=":$number"
Xvfb "$display" -screen 0 "$screen" -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb_pid=$!
i=0
while [ ! -e "/tmp/.X11-unix/X$number" ]; do
    i=$((i + 1))
    [ "$i" -le "$wait_steps" ] || { echo "$0: Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done

mkdir -p "$work/run" "$work/data"
[ -f "$help_page" ] && cp "$help_page" "$work/run/"
pid_file="$work/program.pid"
(
    cd "$work/run"
    DISPLAY="$display" QT_QPA_PLATFORM=xcb XDG_DATA_HOME="$work/data" \
        dbus-run-session -- sh -c 'echo $$ > "$1"; exec "$2"' sh "$pid_file" "$binary" \
        >/dev/null 2>&1
) &
i=0
while [ ! -s "$pid_file" ]; do
    i=$((i + 1))
    [ "$i" -le "$wait_steps" ] || { echo "$0: the program did not start" >&2; exit 1; }
    sleep 0.1
done
program_pid=$(cat "$pid_file")

# Wait for the main window, answering start-up message boxes on the way.
window=""
i=0
while [ -z "$window" ]; do
    i=$((i + 1))
    [ "$i" -le "$wait_steps" ] || { echo "$0: no KORVALE window appeared" >&2; exit 1; }
    for box in $(DISPLAY="$display" xdotool search --onlyvisible --pid "$program_pid" --name '.' 2>/dev/null); do
        title=$(DISPLAY="$display" xdotool getwindowname "$box" 2>/dev/null || true)
        if [ "$title" = "KORVALE" ]; then
            window=$box
        elif [ -n "$title" ]; then
            DISPLAY="$display" xdotool windowfocus "$box" key Return 2>/dev/null || true
        fi
    done
    [ -n "$window" ] || sleep 0.1
done
sleep 1 # let the window paint
DISPLAY="$display" import -window "$window" "$output"
echo "$output"

#!/usr/bin/env bash
# Builds the Debian package from a built build folder, checks it with lintian (no error and no
# warning), installs it with apt, checks that the manual page names every switch of the
# installed program's --help, starts the installed program the way its desktop entry does
# (in the entry's working directory) on a virtual X display, checks that its window shows and
# that "H" asks the desktop to open the installed help page, lets a bus client start
# KORVALE.Application through the installed activation file, and removes the package again.
#
# It changes the machine (installs and removes a package), so it runs only as root, and
# only inside a private session bus (the test command runs under dbus-run-session).
# Usage: check_deb_package.sh <configured and built build folder>
set -uo pipefail

build="$(cd "${1:?usage: $0 <build folder>}" && pwd)"
readonly kScreen=960x800x24 # not one of the widths with a fixed placement: the window
                            # keeps its template size, centred
readonly kWaitSteps=300     # 0.1 s each
readonly kBusName=KORVALE.Application

skip() {
    echo "SKIP: $*"
    exit 77
}
[[ $(id -u) -eq 0 ]] || skip "installing a package needs root"
[[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ]] || skip "no private session bus (run under dbus-run-session)"
for tool in apt-get dpkg-deb dpkg-shlibdeps file readelf cpack lintian Xvfb xdotool xwininfo dbus-send; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed"
done
if dpkg-query -W -f='${Status}' korvale 2>/dev/null | grep -q "install ok installed"; then
    skip "a korvale package is installed already; it is left alone"
fi

scratch="$(mktemp -d /tmp/korvale-deb.XXXXXX)"
pids=()
installed=0
moved_service=""
user_service="${XDG_DATA_HOME:-$HOME/.local/share}/dbus-1/services/$kBusName.service"

cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    done
    # A copy the bus started is no child of this script: it is waited for until it has gone,
    # so that the tests after this one find its bus names free.
    for pid in "${pids[@]}"; do
        for _ in $(seq 100); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
    done
    if ((installed)); then
        DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq korvale >"$scratch/remove.log" 2>&1 ||
            { echo "apt-get remove failed:" >&2; cat "$scratch/remove.log" >&2; }
    fi
    if [[ -n "$moved_service" ]]; then
        mv -f "$moved_service" "$user_service"
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
finish() {
    if ((failures > 0)); then
        echo "$failures check(s) failed" >&2
        exit 1
    fi
    echo "debian package: all checks passed"
    exit 0
}
# wait_for <command...>: polls until the command succeeds; false after the time limit.
wait_for() {
    local step
    for ((step = 0; step < kWaitSteps; step++)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
key_value() {
    sed -n "s/^$2=//p" "$1" | head -n 1
}

# 1. The package, from the already built program.
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log" >&2
    fail "cpack -G DEB failed"
    finish
fi
debs=("$scratch"/pkg/korvale_*.deb)
if [[ ${#debs[@]} -ne 1 || ! -f "${debs[0]}" ]]; then
    fail "cpack wrote no korvale_*.deb"
    finish
fi
deb="${debs[0]}"
[[ "$(basename "$deb")" == "korvale_1.1.0_$(dpkg --print-architecture).deb" ]] ||
    fail "package file is named $(basename "$deb")"
[[ "$(dpkg-deb -f "$deb" Package)" == korvale ]] || fail "package name is not korvale"
[[ "$(dpkg-deb -f "$deb" Version)" == 1.1.0 ]] || fail "package version is not 1.1.0"
[[ "$(dpkg-deb -f "$deb" Section)" == sound ]] || fail "package section is not sound"
[[ -n "$(dpkg-deb -f "$deb" Maintainer)" ]] || fail "package has no maintainer"
# Every library that the packaged program links is a dependency, by its Debian package.
depends="$(dpkg-deb -f "$deb" Depends)"
dpkg-deb -x "$deb" "$scratch/unpacked"
needed="$(readelf -d "$scratch/unpacked/usr/bin/korvale" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')"
[[ -n "$needed" ]] || fail "the packaged program links no shared library"
# owner_of <library path>: the Debian package that holds it (merged /usr or not).
owner_of() {
    local real candidate
    real="$(readlink -f "$1")"
    for candidate in "$1" "$(dirname "$1")/$(basename "$real")" "$real" "${real#/usr}"; do
        dpkg -S "$candidate" 2>/dev/null | head -n 1 | cut -d: -f1 | grep . && return 0
    done
    return 1
}
multiarch="$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null)"
depends_packages="$(tr ',|' '\n\n' <<<"$depends" | awk '{print $1}')"
for soname in $needed; do
    library="$(ldconfig -p | awk -v name="$soname" -v triplet="/$multiarch/" \
        '$1 == name && index($NF, triplet) {print $NF; exit}')"
    owner="$(owner_of "$library")"
    if [[ -z "$owner" ]]; then
        fail "no Debian package holds $soname"
    elif ! grep -qxF "$owner" <<<"$depends_packages"; then
        fail "Depends lacks $owner (for $soname): $depends"
    fi
done
contents="$(dpkg-deb -c "$deb" | awk '{print $NF}')"
for path in ./usr/bin/korvale ./usr/share/korvale/korvale_1_1_help.htm \
    ./usr/share/applications/korvale.desktop ./usr/share/metainfo/korvale.metainfo.xml \
    ./usr/share/dbus-1/services/KORVALE.Application.service \
    ./usr/share/icons/hicolor/scalable/apps/korvale.svg; do
    grep -qxF "$path" <<<"$contents" || fail "package lacks $path"
done
if grep -v '^\./usr' <<<"$contents" | grep -qv '^\./$'; then
    fail "package holds files outside /usr: $(grep -v '^\./usr' <<<"$contents" | grep -v '^\./$')"
fi
# Debian's own checker: the copyright file, the change log, the manual page and the rest.
if ! lintian --fail-on error,warning "$deb" >"$scratch/lintian.log" 2>&1; then
    cat "$scratch/lintian.log" >&2
    fail "lintian reports errors or warnings"
fi

# 2. Install it the way a user does.
if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >"$scratch/install.log" 2>&1; then
    cat "$scratch/install.log" >&2
    fail "apt-get install failed"
    finish
fi
installed=1

desktop=/usr/share/applications/korvale.desktop
service=/usr/share/dbus-1/services/$kBusName.service
workdir="$(key_value "$desktop" Path)"
program="$(key_value "$desktop" Exec | sed 's/ %[fFuUdDnNickvm]//g')"
[[ "$workdir" == /usr/share/korvale && -f "$workdir/korvale_1_1_help.htm" ]] ||
    fail "the desktop entry's working directory '$workdir' does not hold the help page"
[[ "$program" == /usr/bin/korvale && -x "$program" ]] || fail "the desktop entry starts '$program'"
[[ "$(key_value "$service" Exec)" == "/usr/bin/korvale -Embedding" ]] ||
    fail "the installed activation file starts '$(key_value "$service" Exec)'"
# Every switch that --help lists is in the manual page (its dashes there written "\-").
switches="$(/usr/bin/korvale --help | grep -o -- '--[a-z-]*' | sort -u)"
[[ -n "$switches" ]] || fail "the installed program's --help lists no switch"
page="$(zcat /usr/share/man/man1/korvale.1.gz | sed 's/\\-/-/g')"
for switch in $switches; do
    grep -qF -- "$switch" <<<"$page" || fail "the manual page does not name $switch"
done
((failures == 0)) || finish

# 3. A virtual display on a free number, and a desktop opener that only records.
display=120
while [[ -e "/tmp/.X11-unix/X$display" || -e "/tmp/.X$display-lock" ]]; do
    display=$((display + 1))
done
Xvfb ":$display" -screen 0 "$kScreen" -nolisten tcp -noreset >"$scratch/xvfb.log" 2>&1 &
pids+=($!)
if ! wait_for test -e "/tmp/.X11-unix/X$display"; then
    fail "Xvfb did not start"
    finish
fi

mkdir -p "$scratch/opener" "$scratch/home-data"
opened="$scratch/opened.txt"
cat >"$scratch/opener/xdg-open" <<OPENER
#!/bin/sh
printf '%s\n' "\$*" >> "$opened"
OPENER
chmod +x "$scratch/opener/xdg-open"

# 4. Start the installed program as its desktop entry does: in the entry's Path. Its own
#    registration goes to a folder that the bus does not read, so that the activation
#    below goes through the installed file.
(
    cd "$workdir" || exit 1
    exec env -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID -u DESKTOP_SESSION \
        -u WAYLAND_DISPLAY -u QT_QPA_PLATFORMTHEME \
        DISPLAY=":$display" QT_QPA_PLATFORM=xcb XDG_CURRENT_DESKTOP= \
        XDG_DATA_HOME="$scratch/home-data" PATH="$scratch/opener:$PATH" \
        "$program"
) >"$scratch/korvale.log" 2>&1 &
korvale_pid=$!
pids+=("$korvale_pid")

main_window() {
    DISPLAY=":$display" xdotool search --onlyvisible --name '^KORVALE$' 2>/dev/null | head -n 1
}
# Waits for the main window; a message box shown during start-up (no mixer on this
# machine, for example) is answered with Return.
window=""
for ((step = 0; step < kWaitSteps; step++)); do
    window="$(main_window)"
    [[ -n "$window" ]] && break
    kill -0 "$korvale_pid" 2>/dev/null || break
    for other in $(DISPLAY=":$display" xdotool search --onlyvisible --pid "$korvale_pid" 2>/dev/null); do
        DISPLAY=":$display" xdotool key --window "$other" Return 2>/dev/null
    done
    sleep 0.1
done
if [[ -z "$window" ]]; then
    cat "$scratch/korvale.log" >&2
    fail "the installed program showed no KORVALE window"
    finish
fi
[[ "$(readlink "/proc/$korvale_pid/cwd")" == "$workdir" ]] ||
    fail "the program runs in $(readlink "/proc/$korvale_pid/cwd"), not $workdir"

if command -v xprop >/dev/null 2>&1; then
    # The icon property may arrive just after the window maps.
    has_icon=no
    for _ in $(seq 50); do
        if DISPLAY=":$display" xprop -id "$window" _NET_WM_ICON 2>/dev/null | grep -q "Icon ("; then
            has_icon=yes
            break
        fi
        sleep 0.1
    done
    [[ "$has_icon" == yes ]] || fail "the window carries no icon"
fi

# 5. Click "H" at its place in the template (360,7 16x12 of 421x295 dialog units).
geometry="$(DISPLAY=":$display" xwininfo -id "$window")"
left="$(awk '/Absolute upper-left X/ {print $NF}' <<<"$geometry")"
top="$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$geometry")"
width="$(awk '/Width:/ {print $NF}' <<<"$geometry")"
height="$(awk '/Height:/ {print $NF}' <<<"$geometry")"
help_x=$((left + (360 + 8) * width / 421))
help_y=$((top + (7 + 6) * height / 295))
DISPLAY=":$display" xdotool mousemove --sync "$help_x" "$help_y" click 1
if wait_for test -s "$opened"; then
    request="$(head -n 1 "$opened")"
    [[ "$request" == "file:///usr/share/korvale/korvale_1_1_help.htm" ||
        "$request" == "/usr/share/korvale/korvale_1_1_help.htm" ]] ||
        fail "\"H\" asked the desktop to open '$request'"
else
    fail "\"H\" did not ask the desktop to open anything"
fi
kill -0 "$korvale_pid" 2>/dev/null || fail "the program ended after \"H\""

# The ordinary start registered the program for activation.
registration="$scratch/home-data/dbus-1/services/$kBusName.service"
if wait_for test -s "$registration"; then
    [[ "$(key_value "$registration" Exec)" == "/usr/bin/korvale -Embedding" ]] ||
        fail "the ordinary start registered '$(key_value "$registration" Exec)'"
else
    fail "the ordinary start wrote no activation file"
fi

# 6. Bus activation through the installed file. A registration left by another run in the
#    bus's own data folder would take precedence: it is moved aside meanwhile.
bus_call() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        "org.freedesktop.DBus.$1" "${@:2}"
}
if [[ -e "$user_service" ]]; then
    moved_service="$scratch/user-registration.service"
    mv -f "$user_service" "$moved_service"
fi
# The activated copy runs without a display of its own.
bus_call UpdateActivationEnvironment dict:string:string:QT_QPA_PLATFORM,offscreen >/dev/null
bus_call ReloadConfig >/dev/null
if bus_call NameHasOwner "string:$kBusName" | grep -q "boolean true"; then
    fail "$kBusName is owned before activation"
    finish
fi
if ! dbus-send --session --print-reply --reply-timeout=30000 --dest="$kBusName" /ClassFactory \
    org.freedesktop.DBus.Peer.Ping >"$scratch/ping.log" 2>&1; then
    cat "$scratch/ping.log" >&2
    fail "a bus client could not start $kBusName"
    finish
fi
server_pid="$(bus_call GetConnectionUnixProcessID "string:$kBusName" | awk '/uint32/ {print $2}')"
if [[ -z "$server_pid" ]]; then
    fail "no process owns $kBusName after activation"
    finish
fi
pids+=("$server_pid")
[[ "$(readlink "/proc/$server_pid/exe")" == /usr/bin/korvale ]] ||
    fail "the activated program is $(readlink "/proc/$server_pid/exe")"
tr '\0' ' ' <"/proc/$server_pid/cmdline" | grep -q -- "-Embedding" ||
    fail "the activated program was not started with -Embedding"
[[ "$server_pid" != "$korvale_pid" ]] || fail "the ordinary start served the bus"

finish

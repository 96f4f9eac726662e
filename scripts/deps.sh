#!/usr/bin/env bash
# Installs the Debian packages that KORVALE needs and that are missing.
# Usage: scripts/deps.sh run|test
set -euo pipefail

build_packages=(
    build-essential cmake pkg-config git help2man
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libmpg123-dev libsndfile1-dev libsoxr-dev libebur128-dev portaudio19-dev libasound2-dev
    libasound2-plugins fonts-dejavu-core
    libmp3lame-dev libshout3-dev libvorbis-dev libogg-dev libopus-dev libopusenc-dev
    qtkeychain-qt6-dev
)
run_packages=(xvfb xauth dbus-daemon)
test_packages=(
    libgtest-dev libgmock-dev icecast2
    dbus dbus-bin pulseaudio pulseaudio-utils playerctl gnome-keyring
    xvfb xauth xdotool x11-utils imagemagick
    clang libclang-rt-14-dev clang-format-14
    desktop-file-utils appstream dpkg-dev file lintian locales
)

packages=("${build_packages[@]}")
case "${1:-run}" in
run) packages+=("${run_packages[@]}") ;;
test) packages+=("${run_packages[@]}" "${test_packages[@]}") ;;
*) echo "usage: $0 run|test" >&2; exit 2 ;;
esac

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
if ((${#missing[@]} > 0)); then
    echo "Installing: ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi

# A language with a decimal comma and its own case of I: the tests read tags under it.
if [[ ${1:-run} == test ]] && ! locale -a | grep -qx 'tr_TR.utf8'; then
    "${sudo_cmd[@]}" localedef -i tr_TR -f UTF-8 tr_TR.UTF-8
fi

#!/usr/bin/env bash
# Installs a built KORVALE into staging folders and checks what lands where: the files of
# the layout and nothing else, the installed paths written into the desktop entry and the
# bus activation file (for /usr and for another prefix), and that desktop-file-validate and
# appstreamcli accept the desktop entry and the AppStream metadata.
# Usage: check_install_layout.sh <configured and built build folder>
set -uo pipefail

build="${1:?usage: $0 <build folder>}"
scratch="$(mktemp -d /tmp/korvale-layout.XXXXXX)"
trap 'rm -rf "$scratch"' EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
need_tool() {
    if ! command -v "$1" >/dev/null 2>&1; then
        echo "SKIP: $1 is not installed (Debian package $2)"
        exit 77
    fi
}
need_tool desktop-file-validate desktop-file-utils
need_tool appstreamcli appstream

# The value of Key in a desktop-entry style file (first match).
key_value() {
    sed -n "s/^$2=//p" "$1" | head -n 1
}

# check_prefix <prefix>: installs under DESTDIR with that prefix and checks the result.
check_prefix() {
    local prefix="$1"
    local stage="$scratch/stage${prefix//\//_}"
    if ! DESTDIR="$stage" cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1; then
        cat "$scratch/install.log" >&2
        fail "cmake --install with prefix $prefix failed"
        return
    fi
    local root="$stage$prefix"

    local expected actual
    expected="$(printf '%s\n' \
        bin/korvale \
        lib/systemd/user/korvale.service \
        share/applications/korvale.desktop \
        share/dbus-1/services/KORVALE.Application.service \
        share/icons/hicolor/scalable/apps/korvale.svg \
        share/doc/korvale/changelog.gz \
        share/doc/korvale/copyright \
        share/korvale/korvale_1_1_help.htm \
        share/man/man1/korvale.1.gz \
        share/metainfo/korvale.metainfo.xml | sort)"
    actual="$(cd "$stage" && find . -type f -o -type l | sed "s|^\./${prefix#/}/||" | sort)"
    if [[ "$actual" != "$expected" ]]; then
        fail "prefix $prefix: installed files differ from the layout:"
        diff <(echo "$expected") <(echo "$actual") >&2
    fi
    [[ -x "$root/bin/korvale" ]] || fail "prefix $prefix: bin/korvale is not executable"

    local desktop="$root/share/applications/korvale.desktop"
    local service="$root/share/dbus-1/services/KORVALE.Application.service"
    if [[ -f "$desktop" ]]; then
        local path
        path="$(key_value "$desktop" Path)"
        [[ "$path" == "$prefix/share/korvale" ]] ||
            fail "prefix $prefix: desktop entry Path is '$path', not $prefix/share/korvale"
        [[ -f "$stage$path/korvale_1_1_help.htm" ]] ||
            fail "prefix $prefix: the desktop entry's Path does not hold the help page"
        [[ "$(key_value "$desktop" Exec)" == "$prefix/bin/korvale" ]] ||
            fail "prefix $prefix: desktop entry Exec is '$(key_value "$desktop" Exec)'"
        [[ "$(key_value "$desktop" Icon)" == "korvale" ]] || fail "desktop entry Icon is not korvale"
        [[ "$(key_value "$desktop" Categories)" == "AudioVideo;Audio;Player;Mixer;" ]] ||
            fail "desktop entry Categories are '$(key_value "$desktop" Categories)'"
        [[ -n "$(key_value "$desktop" Name)" && -n "$(key_value "$desktop" Comment)" ]] ||
            fail "desktop entry lacks Name or Comment"
        if ! desktop-file-validate "$desktop" >"$scratch/validate.log" 2>&1 ||
            [[ -s "$scratch/validate.log" ]]; then
            cat "$scratch/validate.log" >&2
            fail "prefix $prefix: desktop-file-validate reports problems"
        fi
    fi
    local unit="$root/lib/systemd/user/korvale.service"
    if [[ -f "$unit" ]]; then
        [[ "$(key_value "$unit" ExecStart)" == "$prefix/bin/korvale --resume" ]] ||
            fail "prefix $prefix: user unit ExecStart is '$(key_value "$unit" ExecStart)'"
        [[ "$(key_value "$unit" Restart)" == "on-failure" ]] || fail "user unit Restart is not on-failure"
    fi
    if [[ -f "$service" ]]; then
        grep -qx "\[D-BUS Service\]" "$service" || fail "activation file lacks its group"
        [[ "$(key_value "$service" Name)" == "KORVALE.Application" ]] ||
            fail "activation file Name is '$(key_value "$service" Name)'"
        [[ "$(key_value "$service" Exec)" == "$prefix/bin/korvale -Embedding" ]] ||
            fail "prefix $prefix: activation file Exec is '$(key_value "$service" Exec)'"
    fi
}

check_prefix /usr
check_prefix /opt/korvale

metainfo="$scratch/stage_usr/usr/share/metainfo/korvale.metainfo.xml"
if [[ -f "$metainfo" ]]; then
    if ! appstreamcli validate --no-net "$metainfo" >"$scratch/appstream.log" 2>&1; then
        cat "$scratch/appstream.log" >&2
        fail "appstreamcli validate reports problems"
    fi
    grep -q '<launchable type="desktop-id">korvale.desktop</launchable>' "$metainfo" ||
        fail "the AppStream metadata does not launch korvale.desktop"
    grep -q '<component type="desktop-application">' "$metainfo" ||
        fail "the AppStream metadata is not a desktop application"
fi

svg="$scratch/stage_usr/usr/share/icons/hicolor/scalable/apps/korvale.svg"
if [[ -f "$svg" ]] && ! head -c 400 "$svg" | grep -q '<svg'; then
    fail "the icon is not an SVG image"
fi

if ((failures > 0)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "install layout: all checks passed"

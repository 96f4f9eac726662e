#!/usr/bin/env bash
# Runs a command against a private Icecast 2 server on 127.0.0.1, on a free port, with a
# configuration generated in a fresh temporary folder (logs and pid there too).
#
#   bash scripts/with-icecast.sh COMMAND [ARG...]
#
# Run under a server of this script already, the command runs on that server.
#
# The command sees:
#   KORVALE_ICECAST_HOST             127.0.0.1
#   KORVALE_ICECAST_PORT             the server's port
#   KORVALE_ICECAST_SOURCE_PASSWORD  the password of the "source" user (any mount)
#   KORVALE_ICECAST_ADMIN_PASSWORD   the password of the "admin" user
#   KORVALE_ICECAST_DIR              the folder (icecast.xml, log/, server.pid)
#   KORVALE_ICECAST_CONFIG           the configuration file
#   KORVALE_ICECAST_CTL              "bash <this folder>/icecast-ctl.sh": append start, stop or
#                                    kill to take the same server away and bring it back
# Icecast refuses to run as root: as root the server drops to the Debian package's user and
# group (icecast2:icecast) through <changeowner>. The server is stopped afterwards; the
# script exits with the command's exit code.
set -u

if [ "$#" -eq 0 ]; then
    echo "usage: $0 COMMAND [ARG...]" >&2
    exit 2
fi
# Under a server of this script already: the command uses that one.
if [ -n "${KORVALE_ICECAST_PORT:-}" ]; then
    exec "$@"
fi
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
share=/usr/share/icecast2

dir=$(mktemp -d "${TMPDIR:-/tmp}/korvale-icecast.XXXXXX") || exit 1
mkdir -p "$dir/log"
export KORVALE_ICECAST_DIR="$dir"
export KORVALE_ICECAST_CTL="bash $here/icecast-ctl.sh"

cleanup() {
    bash "$here/icecast-ctl.sh" stop
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

owner=""
if [ "$(id -u)" -eq 0 ]; then
    user="$(getent passwd icecast2 | cut -d: -f1)"
    group="$(getent group icecast | cut -d: -f1)"
    if [ -z "$user" ] || [ -z "$group" ]; then
        echo "$0: running as root needs the icecast2 user and icecast group (apt install icecast2)" >&2
        exit 1
    fi
    owner="<changeowner><user>$user</user><group>$group</group></changeowner>"
    chown -R "$user:$group" "$dir"
fi
chmod 755 "$dir"

secret() {
    od -An -N12 -tx1 /dev/urandom | tr -d ' \n'
}
export KORVALE_ICECAST_HOST=127.0.0.1
export KORVALE_ICECAST_SOURCE_PASSWORD="$(secret)"
export KORVALE_ICECAST_ADMIN_PASSWORD="$(secret)"
export KORVALE_ICECAST_CONFIG="$dir/icecast.xml"

port_taken() {
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

write_config() {
    cat >"$KORVALE_ICECAST_CONFIG" <<XML
<icecast>
    <location>test</location>
    <admin>korvale@localhost</admin>
    <hostname>127.0.0.1</hostname>
    <limits>
        <clients>50</clients>
        <sources>8</sources>
        <queue-size>524288</queue-size>
        <client-timeout>30</client-timeout>
        <header-timeout>15</header-timeout>
        <source-timeout>10</source-timeout>
        <burst-on-connect>1</burst-on-connect>
        <burst-size>65535</burst-size>
    </limits>
    <authentication>
        <source-password>$KORVALE_ICECAST_SOURCE_PASSWORD</source-password>
        <relay-password>$KORVALE_ICECAST_SOURCE_PASSWORD</relay-password>
        <admin-user>admin</admin-user>
        <admin-password>$KORVALE_ICECAST_ADMIN_PASSWORD</admin-password>
    </authentication>
    <listen-socket>
        <port>$1</port>
        <bind-address>127.0.0.1</bind-address>
    </listen-socket>
    <fileserve>1</fileserve>
    <paths>
        <basedir>$share</basedir>
        <logdir>$dir/log</logdir>
        <webroot>$share/web</webroot>
        <adminroot>$share/admin</adminroot>
        <pidfile>$dir/log/icecast.pid</pidfile>
        <alias source="/" destination="/status.xsl"/>
    </paths>
    <logging>
        <accesslog>access.log</accesslog>
        <errorlog>error.log</errorlog>
        <loglevel>3</loglevel>
        <logsize>10000</logsize>
    </logging>
    <security>
        <chroot>0</chroot>
        $owner
    </security>
</icecast>
XML
    if [ -n "$owner" ]; then
        chown "$user:$group" "$KORVALE_ICECAST_CONFIG"
    fi
}

# A free port: another process may take it between the check and the server's start, so a
# start that fails is tried again on another port.
started=""
for attempt in 1 2 3 4 5; do
    port=$((20000 + RANDOM % 30000))
    port_taken "$port" && continue
    echo "$port" >"$dir/port"
    write_config "$port"
    if bash "$here/icecast-ctl.sh" start; then
        started=1
        break
    fi
done
if [ -z "$started" ]; then
    echo "$0: icecast2 did not start" >&2
    exit 1
fi
export KORVALE_ICECAST_PORT="$port"

"$@"
status=$?
exit "$status"

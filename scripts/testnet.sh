#!/bin/sh
# Runs a command inside a private network namespace, beside a throwaway smbd
# that listens on 127.0.0.1:445 and [::1]:445 only. Nothing that runs there
# can set the clock: CAP_SYS_TIME is out of the namespace's bounding set.
#
#   scripts/testnet.sh COMMAND [ARG...]
#
# The namespace has its own loopback and nothing else, so neither the
# server nor any NetBIOS lookup that libnetapi makes can reach a real
# network. It also has its own PID namespace: whatever the command leaves
# running ends with it. The command sees:
#   TESTNET_DIR        the server's configuration and state
#   TESTNET_CONF       its smb.conf
#   TESTNET_SMBD_PID   the PID of smbd
# and may call "scripts/testnet.sh --stop" / "--start" from inside to stop
# or restart the server.
set -eu

here=$(cd "$(dirname "$0")" && pwd)

# Outside: enter the namespaces and run this script again inside them.
if [ -z "${TESTNET_INSIDE:-}" ]; then
    case ${1:-} in --stop|--start|"") echo "usage: $0 COMMAND [ARG...]" >&2; exit 64 ;; esac
    # Nothing in the namespace may set the clock: CAP_SYS_TIME leaves the
    # bounding set before anything runs there, so no process inside, root
    # or not, can hold it.
    noclock="setpriv --bounding-set=-sys_time --inh-caps=-sys_time --"
    if [ "$(id -u)" -eq 0 ]; then
        exec unshare --net --pid --fork --mount-proc $noclock env TESTNET_INSIDE=1 "$0" "$@"
    fi
    exec unshare --user --map-current-user --keep-caps --net --pid --fork \
        --mount-proc $noclock env TESTNET_INSIDE=1 "$0" "$@"
fi

smbd_bin=${SMBD:-/usr/sbin/smbd}

port_open() {
    # A connect to 445 on loopback; bash-free.
    timeout 1 sh -c 'exec 3<>/dev/tcp/127.0.0.1/445' 2>/dev/null && return 0
    (command -v ss >/dev/null && ss -Hltn 'sport = :445' | grep -q LISTEN)
}

start_server() {
    d=$TESTNET_DIR
    # A session of its own: smbd signals its whole process group on exit.
    setsid "$smbd_bin" --foreground --no-process-group --debug-stdout -s "$TESTNET_CONF" \
        >>"$d/smbd.out" 2>&1 &
    echo $! >"$d/smbd.pid"
    i=0
    while ! ss -Hltn 'sport = :445' 2>/dev/null | grep -q LISTEN; do
        i=$((i + 1))
        if [ $i -gt 200 ] || ! kill -0 "$(cat "$d/smbd.pid")" 2>/dev/null; then
            echo "testnet: smbd did not start; its output:" >&2
            cat "$d/smbd.out" >&2
            return 1
        fi
        sleep 0.05
    done
}

stop_server() {
    d=$TESTNET_DIR
    # smbd's helper samba-dcerpcd outlives it: stop both, by their pid files.
    pids=
    for f in "$d/smbd.pid" "$d/pid/samba-dcerpcd.pid"; do
        p=$(cat "$f" 2>/dev/null) || continue
        [ -n "$p" ] && kill "$p" 2>/dev/null && pids="$pids $p"
    done
    for p in $pids; do
        i=0
        while kill -0 "$p" 2>/dev/null && [ $i -lt 100 ]; do sleep 0.05; i=$((i + 1)); done
    done
    rm -f "$d/smbd.pid"
}

case ${1:-} in
    --start) start_server; exit ;;
    --stop) stop_server; exit ;;
esac

ip link set lo up
TESTNET_DIR=$(mktemp -d /tmp/todsync-testnet.XXXXXX)
TESTNET_CONF=$TESTNET_DIR/smb.conf
export TESTNET_DIR TESTNET_CONF
mkdir -p "$TESTNET_DIR/lock" "$TESTNET_DIR/state" "$TESTNET_DIR/cache" \
    "$TESTNET_DIR/pid" "$TESTNET_DIR/private" "$TESTNET_DIR/ncalrpc" "$TESTNET_DIR/share"
chmod 700 "$TESTNET_DIR/private"
cat >"$TESTNET_CONF" <<CONF
[global]
    workgroup = TODTEST
    netbios name = TODSERVER
    server role = standalone server
    interfaces = lo
    bind interfaces only = yes
    disable netbios = yes
    smb ports = 445
    lock directory = $TESTNET_DIR/lock
    state directory = $TESTNET_DIR/state
    cache directory = $TESTNET_DIR/cache
    pid directory = $TESTNET_DIR/pid
    private dir = $TESTNET_DIR/private
    ncalrpc dir = $TESTNET_DIR/ncalrpc
    passdb backend = tdbsam:$TESTNET_DIR/private/passdb.tdb
    log file = $TESTNET_DIR/log.%m
    log level = 1
    load printers = no
    printing = bsd
    printcap name = /dev/null
    disable spoolss = yes
${TESTNET_EXTRA_CONF:-}
[share]
    path = $TESTNET_DIR/share
    guest ok = yes
    read only = yes
CONF
# Otherwise Samba's defaults, as a server is found: "map to guest = Never",
# so that only a true anonymous (null) session may ask the time.

trap 'stop_server; rm -rf "$TESTNET_DIR"' EXIT INT TERM
start_server
TESTNET_SMBD_PID=$(cat "$TESTNET_DIR/smbd.pid")
export TESTNET_SMBD_PID
set +e
"$@"
rc=$?
set -e
exit $rc

#!/bin/sh
# One row of the fault matrix: the todsync binary against the test server of
# scripts/testnet.sh, when the network or the server misbehaves, or when the
# command line is odd. Each row checks the log entry line by line, the exit
# status, that the next host is still tried, and that no run hangs.
# The clock privilege is out of reach throughout, so a host that answers
# ends with "SetSystemTime() failed.".
#
#   scripts/testnet.sh tests/fault-matrix.sh ROW path/to/todsync
set -u
row=$1
todsync=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/e2e-lib.sh"

refused() {
    printf '%s\n' "Trying machine $1." \
        "NetRemoteTOD() failed. Error 1225: The remote computer refused the network connection."
}
not_found() {
    printf '%s\n' "Trying machine $1." "NetRemoteTOD() failed. Error 53: The network path was not found."
}

# Each row: the command line and the entry it must leave. $(...) runs the
# helper functions above; the entry's lines are compared one by one.
case $row in
refused)
    run 127.0.0.2 127.0.0.1
    expect_messages "$(refused 127.0.0.2)" "$(reached 127.0.0.1)" "All tries were failed."
    [ -n "${TODSYNC_WRAPPER:-}" ] || awk -v t="$took" 'BEGIN { exit !(t < 3) }' ||
        fail "a refused host took $took s"
    ;;
silent)
    # 10.255.0.2 sits behind a veth whose far end drops every frame.
    ip link add tdsilent0 type veth peer name tdsilent1
    ip addr add 10.255.0.1/24 dev tdsilent0
    ip link set tdsilent0 up
    ip link set tdsilent1 up
    ip neigh add 10.255.0.2 lladdr 02:00:00:00:00:02 dev tdsilent0 nud permanent
    run 10.255.0.2 127.0.0.1
    expect_messages "Trying machine 10.255.0.2." \
        "NetRemoteTOD() failed. Error 121: The semaphore timeout period has expired." \
        "$(reached 127.0.0.1)" "All tries were failed."
    [ -n "${TODSYNC_WRAPPER:-}" ] || awk -v t="$took" 'BEGIN { exit !(t < 30) }' ||
        fail "a silent host took $took s"
    ;;
unresolvable)
    run no-such-host.invalid 127.0.0.1
    expect_messages "$(not_found NO-SUCH-HOST.INVALID)" "$(reached 127.0.0.1)" "All tries were failed."
    ;;
wrong-password)
    printf 'right\nright\n' | smbpasswd -c "$TESTNET_CONF" -s -a daemon >/dev/null ||
        fail "smbpasswd"
    USER='daemon%wrong' run 127.0.0.1 127.0.0.2
    expect_messages "Trying machine 127.0.0.1." \
        "NetRemoteTOD() failed. Error 1326: The user name or password is incorrect." \
        "$(refused 127.0.0.2)" "All tries were failed."
    USER=daemon PASSWD=wrong run 127.0.0.1
    expect_messages "Trying machine 127.0.0.1." \
        "NetRemoteTOD() failed. Error 1326: The user name or password is incorrect." \
        "All tries were failed."
    USER='daemon%right' run 127.0.0.1
    expect_messages "$(reached 127.0.0.1)" "All tries were failed."
    ;;
access-denied)
    # The server runs with "restrict anonymous = 2" (TESTNET_EXTRA_CONF).
    run 127.0.0.1 127.0.0.2
    expect_messages "Trying machine 127.0.0.1." "NetRemoteTOD() failed. Error 5: Access is denied." \
        "$(refused 127.0.0.2)" "All tries were failed."
    ;;
server-stopped)
    run 127.0.0.1
    expect_messages "$(reached 127.0.0.1)" "All tries were failed."
    "$here/../scripts/testnet.sh" --stop
    run 127.0.0.1 ::1
    expect_messages "$(refused 127.0.0.1)" "$(refused ::1)" "All tries were failed."
    "$here/../scripts/testnet.sh" --start || fail "restart"
    run 127.0.0.1
    expect_messages "$(reached 127.0.0.1)" "All tries were failed."
    ;;
server-killed)
    # The server stops answering, the call waits, and then the server dies.
    kill -STOP "$TESTNET_SMBD_PID"
    run 127.0.0.1 127.0.0.2 &
    runner=$!
    # The kernel completes the connection for the stopped server: once it
    # is there, the call is waiting for an answer.
    i=0
    while [ -z "$(ss -Htn state established '( dport = :445 )')" ] && [ $i -lt 300 ]; do
        sleep 0.1
        i=$((i + 1))
    done
    sleep 0.2
    kill -KILL "$TESTNET_SMBD_PID"
    wait "$runner"
    expect_messages "Trying machine 127.0.0.1." \
        "NetRemoteTOD() failed. Error 64: The specified network name is no longer available." \
        "$(refused 127.0.0.2)" "All tries were failed."
    ;;
named-twice)
    run 127.0.0.1 127.0.0.1
    expect_messages "$(reached 127.0.0.1)" "$(reached 127.0.0.1)" "All tries were failed."
    ;;
odd-names)
    long255=$(printf '%0255d' 0 | tr 0 a)
    long10k=$(printf '%010000d' 0 | tr 0 b)
    up255=$(echo "$long255" | tr a-z A-Z)
    up10k=$(echo "$long10k" | tr a-z A-Z)
    # Names that resolve, in odd forms.
    run LocalHost '\\127.0.0.1' ::1
    expect_messages "$(reached LOCALHOST)" "$(reached '\\127.0.0.1')" "$(reached ::1)" \
        "All tries were failed."
    # Names that cannot: each fails alone, and the server after them is
    # still tried.
    marker=$work/pwned
    for name in "$long255" "$long10k" "hôte-ünïcødé" "\$(touch $marker)" "\`touch $marker\`" \
        "a;touch $marker" "'\"" "-" "--help"; do
        run "$name" 127.0.0.1
        [ "$status" -eq 1 ] || fail "[$name]: exit status $status"
        messages >"$work/entry"
        [ "$(tail -n 1 "$work/entry")" = "All tries were failed." ] || fail "[$name]: last line"
        grep -q '^Trying machine 127.0.0.1\.$' "$work/entry" || fail "[$name]: the server was not tried"
        [ "$(grep -c '^NetRemoteTOD() failed\. Error [0-9]*: .' "$work/entry")" -ge 1 ] ||
            fail "[$name]: no failure line"
        grep -q 'SetSystemTime() failed\.' "$work/entry" || fail "[$name]: the server's time was not applied"
    done
    [ ! -e "$marker" ] || fail "a host name reached a shell"
    # Long names are logged whole, upper-cased.
    for up in "$up255" "$up10k"; do
        grep -q "] Trying machine $up\\.\$" "$VESTRIO_LOG_FILE" || fail "a long name, cut or lost"
    done
    ;;
standard-input)
    # No input at all, a terminal, and a user without a password: the run
    # never waits for an answer.
    timeout 60 "$todsync" 127.0.0.1 <&- >/dev/null 2>&1
    status=$?
    [ "$status" -eq 1 ] || fail "standard input closed: exit status $status"
    expect_messages "$(reached 127.0.0.1)" "All tries were failed."
    USER=someone timeout 60 script -qec "$todsync 127.0.0.1" /dev/null >"$work/tty" 2>&1
    status=$?
    [ "$status" -eq 1 ] || fail "a terminal on standard input: exit status $status"
    ! grep -qi password "$work/tty" || fail "asked for a password: $(cat "$work/tty")"
    expect_messages "$(reached 127.0.0.1)" "All tries were failed."
    ;;
*)
    echo "no such row: $row" >&2
    exit 2
    ;;
esac

finish "fault matrix, $row"

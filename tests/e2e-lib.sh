# For the shell tests of the todsync binary inside scripts/testnet.sh
# (source it after setting $todsync): `run ARG...` runs it behind
# $TODSYNC_WRAPPER (valgrind, say) and sets $status and $took (seconds);
# `messages` prints the last entry's messages, `expect_messages L...` wants
# exactly those, `fail` counts a failure, `finish` reports; `hostile MODE`
# starts tests/hostile-server.py on 127.0.0.3, `connected_helper PID` finds
# the helper of the run PID once it is connected there.

[ -n "${TESTNET_DIR:-}" ] || { echo "run through scripts/testnet.sh" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A run started by root goes on as the system user _todsync: the log file
# and the state folder here are that user's to write.
[ "$(id -u)" -ne 0 ] || chown _todsync: "$work"
export VESTRIO_LOG_FILE="$work/todsync.log" STATE_DIRECTORY="$work/state"
failures=0
limit=${TODSYNC_RUN_LIMIT:-60}

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

run() {
    start=$(date +%s.%N)
    # shellcheck disable=SC2086
    timeout "$limit" ${TODSYNC_WRAPPER:-} "$todsync" "$@" </dev/null >"$work/stdout" 2>"$work/stderr"
    status=$?
    took=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
    [ "$status" -ne 124 ] || fail "todsync $*: still running after $limit s"
    [ ! -s "$work/stdout" ] || fail "todsync $*: wrote to standard output: $(cat "$work/stdout")"
    # A sanitizer's report of a fault, in the program or its network helper.
    ! grep -q 'Sanitizer\|runtime error:' "$work/stderr" || fail "todsync $*: $(cat "$work/stderr")"
}

messages() {
    [ -f "$VESTRIO_LOG_FILE" ] || return 0
    awk '/^[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] / { n = 0; split("", m); next }
         /^$/ { next }
         { m[++n] = $0 }
         END { for (i = 1; i <= n; i++) print m[i] }' "$VESTRIO_LOG_FILE" |
        sed 's/^\[[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\.[0-9][0-9][0-9]\] \[[0-9]\{4\}-[0-9][0-9]-[0-9][0-9]\] //'
}

# The report's two time lines are reduced to their labels, a step to STEP.
expect_messages() {
    messages | sed 's/^\(Local\|Remote\) date & time: .*/\1 date \& time/;
                    s/^Step: [-+][0-9]*\.[0-9][0-9][0-9] s (remote time minus local time)\.$/Step/;
                    s/^The step of [-+][0-9]*\.[0-9][0-9][0-9] s is larger/The step of STEP s is larger/' >"$work/got"
    printf '%s\n' "$@" >"$work/want"
    diff -u "$work/want" "$work/got" >"$work/diff" || fail "log entry differs:
$(cat "$work/diff")"
}

# The lines of a host that failed with "$2" ("53: The network path...").
failed_with() { printf '%s\n' "Trying machine $1." "NetRemoteTOD() failed. Error $2"; }
refused() { failed_with "$1" "1225: The remote computer refused the network connection."; }

# The lines of one attempt that reached the server, privilege withheld.
reached() {
    printf '%s\n' "Trying machine $1." "Local date & time" "Remote date & time" \
        "Please note both times are in UTC format." "Step" \
        "Failed to set SE_SYSTEMTIME_NAME privilege." "SetSystemTime() failed."
}

# A hostile server (tests/hostile-server.py MODE) on 127.0.0.3.
hostile() {
    address=${2:-127.0.0.3}
    ip addr add "$address/8" dev lo 2>/dev/null
    python3 "$(dirname "$0")/hostile-server.py" "$address" "$1" >"$work/hostile-$address.out" &
    i=0
    until grep -q ready "$work/hostile-$address.out" 2>/dev/null || [ $i -gt 100 ]; do
        sleep 0.05
        i=$((i + 1))
    done
}

# The processes under PID $1, one per line, the deepest last.
descendants() {
    for child in $(cat /proc/"$1"/task/*/children 2>/dev/null); do
        echo "$child"
        descendants "$child"
    done
}

# Waits until a process under PID $1 holds a connection to 127.0.0.3;
# prints that process's PID.
connected_helper() {
    i=0
    while [ $i -lt 200 ]; do
        for p in $(descendants "$1"); do
            if ls -l /proc/"$p"/fd 2>/dev/null | grep -q socket &&
                ss -Htnp state established '( dst 127.0.0.3 )' 2>/dev/null | grep -q "pid=$p,"; then
                echo "$p"
                return 0
            fi
        done
        sleep 0.05
        i=$((i + 1))
    done
    return 1
}

finish() {
    if [ "$failures" -ne 0 ]; then
        echo "--- log file:" >&2
        cat "$VESTRIO_LOG_FILE" >&2 2>/dev/null
        exit 1
    fi
    echo "$1: all checks passed"
}

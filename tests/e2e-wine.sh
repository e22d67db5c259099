#!/bin/sh
# todsync.exe under Wine, with a stand-in netapi32.dll that answers as the
# test scripts it (Wine's own NetRemoteTOD aborts). Checks the exit status,
# the log file's entry line by line, and the event log report.
#
#   tests/e2e-wine.sh todsync.exe VESTRIOSUPPORT0100.DLL netapi32.dll
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$1" "$2" "$work/"
cp "$3" "$work/netapi32.dll"
export WINEDLLOVERRIDES="netapi32=n;mscoree,mshtml="
export VESTRIO_LOG_FILE="Z:$work/todsync.log"
export TODSYNC_TEST_NETAPI_CALLS="Z:$work/calls.txt"
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

run() {
    rm -f "$work/todsync.log" "$work/calls.txt"
    WINEDEBUG=+eventlog "$here/scripts/wine-run.sh" "$work/todsync.exe" "$@" \
        >"$work/stdout" 2>"$work/stderr"
    status=$?
}

# The entry's message lines, without the time and date fields.
messages() {
    tr -d '\r' <"$work/todsync.log" | sed -n '2,$p' | sed '/^$/d' |
        sed 's/^\[[0-9:.]*\] \[[0-9-]*\] //'
}

expect() {
    messages >"$work/got"
    printf '%s\n' "$@" >"$work/want"
    diff -u "$work/want" "$work/got" >"$work/diff" || fail "$(cat "$work/diff")"
}

# 1. A failing host, then one that answers: the clock is set (Wine accepts a
#    change of less than half a second, and never passes it to the host).
export TODSYNC_TEST_NETAPI="FAILING=error:53;WORKING=now"
run failing Working
[ "$status" -eq 0 ] || fail "a host answered: exit status $status, not 0"
tr -d '\r' <"$work/todsync.log" | head -n 1 |
    grep -Eq '^[0-9-]{10} [0-9:.]{12} [+-][0-9]{4} todsync\[[0-9]+\] information$' ||
    fail "header: $(head -n 1 "$work/todsync.log")"
messages | sed 's/^\(NetRemoteTOD() failed. Error 53: \).\+/\1<text>/;
                s/^\(Local\|Remote\) date & time: .*/\1 date \& time/' >"$work/got"
printf '%s\n' "Trying machine FAILING." "NetRemoteTOD() failed. Error 53: <text>" \
    "Trying machine WORKING." "Local date & time" "Remote date & time" \
    "Please note both times are in UTC format." "System time was updated successfully." \
    >"$work/want"
diff -u "$work/want" "$work/got" >"$work/diff" || fail "entry: $(cat "$work/diff")"
printf '%s\n' "NetRemoteTOD FAILING" "NetRemoteTOD WORKING" "NetApiBufferFree" >"$work/want"
tr -d '\r' <"$work/calls.txt" | diff -u "$work/want" - >"$work/diff" || fail "calls: $(cat "$work/diff")"
grep -q 'ReportEventW.*0x0004' "$work/stderr" || fail "no information event reported"

# 2. Every host unusable: a refusal, no record, a time the clock refuses, and
#    a time that no clock has. The entry is an error entry.
export TODSYNC_TEST_NETAPI="NOLOGON=error:1326;EMPTY=null;FUTURE=record:2030,1,2,3,4,5,6;BROKEN=record:2026,7,3,9,5,9,3277"
run nologon empty future broken
[ "$status" -eq 1 ] || fail "no host usable: exit status $status, not 1"
tr -d '\r' <"$work/todsync.log" | head -n 1 | grep -q ' error$' || fail "not an error entry"
messages | sed 's/^\(NetRemoteTOD() failed. Error 1326: \).\+/\1<text>/' >"$work/got"
printf '%s\n' "Trying machine NOLOGON." "NetRemoteTOD() failed. Error 1326: <text>" \
    "Trying machine EMPTY." "NetRemoteTOD() returns NULL pointer." \
    "Trying machine FUTURE." "Local date & time:  X" "Remote date & time: 2.01.2030 3:04:05.6" \
    "Please note both times are in UTC format." "SetSystemTime() failed." \
    "Trying machine BROKEN." "Local date & time:  X" "Remote date & time: 3.07.2026 9:05:09.3277" \
    "Please note both times are in UTC format." "NetRemoteTOD() returned an invalid time." \
    "All tries were failed." >"$work/want"
sed -i 's/^Local date & time:  .*/Local date \& time:  X/' "$work/got"
diff -u "$work/want" "$work/got" >"$work/diff" || fail "entry: $(cat "$work/diff")"
[ "$(grep -c NetApiBufferFree "$work/calls.txt")" -eq 2 ] || fail "buffers not freed: $(cat "$work/calls.txt")"
grep -q 'ReportEventW.*0x0001' "$work/stderr" || fail "no error event reported"

# 3. Hostile answers: each field of the record at 0, -1, INT32_MIN,
#    INT32_MAX, 32767 and 32768, in one run. None may reach the clock: what
#    does not fit 16 bits is an invalid time, the rest is refused by
#    SetSystemTime (Wine refuses any change over half a second).
script= hosts= n=0
for field in 0 1 2 3 4 5 6; do
    for value in 0 -1 -2147483648 2147483647 32767 32768; do
        n=$((n + 1))
        set -- 2026 7 3 9 5 9 12
        record=$(echo "$@" | awk -v f="$field" -v v="$value" '{ $(f + 1) = v; print }' | tr ' ' ,)
        script="$script;H$n=record:$record"
        hosts="$hosts h$n"
        case $value in -2147483648 | 2147483647 | 32768) want="invalid" ;; *) want="refused" ;; esac
        [ "$field" = 6 ] && [ "$value" = 32767 ] && want="invalid"  # 327670 ms
        echo "H$n $want" >>"$work/hostile"
    done
done
export TODSYNC_TEST_NETAPI="${script#;}"
# shellcheck disable=SC2086
run $hosts
[ "$status" -eq 1 ] || fail "hostile answers: exit status $status, not 1"
messages | awk '/^Trying machine / { host = substr($3, 1, length($3) - 1) }
    /^NetRemoteTOD\(\) returned an invalid time\.$/ { print host, "invalid" }
    /^SetSystemTime\(\) failed\.$/ { print host, "refused" }' >"$work/outcomes"
[ "$(wc -l <"$work/outcomes")" -eq 42 ] || fail "hostile answers: $(wc -l <"$work/outcomes") outcomes, not 42"
diff -u "$work/hostile" "$work/outcomes" >"$work/diff" || fail "hostile answers: $(cat "$work/diff")"
! messages | grep -q "System time was updated" || fail "a hostile answer set the clock"

# 4. Nothing on standard output, ever.
[ ! -s "$work/stdout" ] || fail "standard output: $(cat "$work/stdout")"

if [ "$failures" -ne 0 ]; then
    echo "--- log file:" >&2
    cat "$work/todsync.log" >&2
    echo "--- Wine's output:" >&2
    tail -n 20 "$work/stderr" >&2
    exit 1
fi
echo "e2e under Wine: all checks passed"

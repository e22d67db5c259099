#!/bin/sh
# todsync.exe under Wine with a scripted stand-in netapi32.dll: the exit
# status, the log file's entry line by line, and the event log report.
# A log file that another program holds, and runs that end at once.
#   tests/e2e-wine.sh todsync.exe VESTRIOSUPPORT0100.DLL netapi32.dll holdfile.exe
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$1" "$2" "$work/"
cp "$3" "$work/netapi32.dll"
cp "$4" "$work/holdfile.exe"
export WINEDLLOVERRIDES="netapi32=n;mscoree,mshtml="
export VESTRIO_LOG_FILE="Z:$work/todsync.log"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# run STATUS KIND LINE...: todsync.exe $hosts; every line of the entry ends in
# CR LF, and its header and messages (system texts and times left out) match.
run() {
    status=$1 kind=$2
    shift 2
    rm -f "$work/todsync.log"
    WINEDEBUG=+eventlog "$here/scripts/wine-run.sh" "$work/todsync.exe" $hosts \
        >"$work/stdout" 2>"$work/stderr"
    got=$?
    [ "$got" -eq "$status" ] || fail "$hosts: exit status $got, not $status"
    [ ! -s "$work/stdout" ] || fail "standard output: $(cat "$work/stdout")"
    [ "$(grep -vc "$(printf '\r')\$" "$work/todsync.log")" -eq 0 ] || fail "a line without CR LF"
    tr -d '\r' <"$work/todsync.log" | head -n 1 |
        grep -Eq "^[0-9-]{10} [0-9:.]{12} [+-][0-9]{4} todsync\[[0-9]+\] $kind\$" ||
        fail "header: $(head -n 1 "$work/todsync.log")"
    tr -d '\r' <"$work/todsync.log" | sed '1d; /^$/d; s/^\[[0-9:.]*\] \[[0-9-]*\] //' |
        sed 's/^\(\(NetRemoteTOD\|DsGetDcName\)() failed. Error [0-9]*: \).\+/\1<text>/;
             s/^\(Local\|Remote\) date & time: .*/\1 date \& time/;
             s/^Step: [-+][0-9]*\.[0-9][0-9][0-9] s (remote time minus local time)\.$/Step/;
             s/^The step of [-+][0-9]*\.[0-9]* s is larger/The step of STEP s is larger/;
             s/^Estimate: the hundredths of the answer with the shortest round trip (.*/Estimate: hundredths/' >"$work/got"
    printf '%s\n' "$@" >"$work/want"
    diff -u "$work/want" "$work/got" >"$work/diff" || fail "entry: $(cat "$work/diff")"
}

report="Local date & time
Remote date & time
Please note both times are in UTC format.
Step"
# 1. A failing host, then one that answers: the clock is set (Wine never
#    passes a change of less than half a second on to the host).
export TODSYNC_TEST_NETAPI="FAILING=error:53;WORKING=now"
hosts="failing Working"
run 0 information "Trying machine FAILING." "NetRemoteTOD() failed. Error 53: <text>" \
    "Trying machine WORKING." "$report" "System time was updated successfully."
grep -q 'ReportEventW.*0x0004' "$work/stderr" || fail "no information event reported"

# 2. A time the clock refuses: an error entry and an error event.
export TODSYNC_TEST_NETAPI="FUTURE=record:2030,1,2,3,4,5,6"
hosts="future"
run 1 error "Trying machine FUTURE." "$report" "SetSystemTime() failed." "All tries were failed."
grep -q 'ReportEventW.*0x0001' "$work/stderr" || fail "no error event reported"

# 3. The domain's time server, found by the stand-in's DsGetDcNameW, tried
#    before the hosts; found again when it fails; a domain it does not know.
#    --precise from its hundredths; --max-step refusing a time years away.
export TODSYNC_TEST_NETAPI="DOMAIN:TOD.TEST=dc:dc1.tod.test;DC1.TOD.TEST=now;DOMAIN:FLAKY.TEST=dc:down|dc1.tod.test;DOWN=error:53;FAR=record:2035,1,2,3,4,5,6"
found="Found DC1.TOD.TEST, a time server of domain tod.test."
hosts="/domain:tod.test far --dry-run --precise"
run 0 information "Asking domain TOD.TEST for its time server." "$found" \
    "Trying machine DC1.TOD.TEST." "$report" "Estimate: hundredths" "Dry run: the clock was not set."
hosts="--domain=flaky.test --dry-run"
run 0 information "Asking domain FLAKY.TEST for its time server." \
    "Found DOWN, a time server of domain tod.test." "Trying machine DOWN." \
    "NetRemoteTOD() failed. Error 53: <text>" "Asking domain FLAKY.TEST again, for another time server." \
    "$found" "Trying machine DC1.TOD.TEST." "$report" "Dry run: the clock was not set."
hosts="/DOMAIN:nowhere.test far --max-step=60"
run 1 error "Asking domain NOWHERE.TEST for its time server." "DsGetDcName() failed. Error 1355: <text>" \
    "Trying machine FAR." "$report" \
    "The step of STEP s is larger than the limit of 60 s; the clock was not set." \
    "All tries were failed."

# 4. A log file another program holds: released in time it gets the entry,
#    else a warning says its copy is lost. A path's controls are shown there.
for hold in 300 3000; do
    rm -f "$work/todsync.log"
    "$here/scripts/wine-run.sh" "$work/holdfile.exe" "Z:$work/todsync.log" $hold >"$work/held" 2>&1 &
    i=0
    while ! grep -q held "$work/held" && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
    WINEDEBUG=+eventlog "$here/scripts/wine-run.sh" "$work/todsync.exe" failing 2>"$work/stderr"
    got=$?
    wait
    result="$got $(grep -c 'Trying machine' "$work/todsync.log") $(grep -c 'ReportEventW.*0x0002' "$work/stderr")"
    [ "$result" = "$([ $hold = 300 ] && echo '1 1 0' || echo '1 0 1')" ] ||
        fail "held $hold ms: exit status, entries, warnings: $result"
done

VESTRIO_LOG_FILE="Z:$work/a$(printf '\r\n\033')[2Jb/log" WINEDEBUG=+eventlog \
    "$here/scripts/wine-run.sh" "$work/todsync.exe" failing 2>"$work/stderr"
grep -q 'ReportEventW.*file Z:.*a^M^J^\[\[2Jb/log: ' "$work/stderr" || fail "a path's controls in a warning"

# 5. Six runs at a time, 40 times, into one file: whole entries, each run's
#    in the file unless it warned that the file stayed locked past its wait
#    (under this load Wine is slow: a few may). Now and then Wine fails to
#    start a process under such a load (to map its shared user data, say): a
#    run that never reached its event report is started again.
hosts="h1 h2 h3 h4 h5 h6 h7 h8 h9 h10 h11 h12 h13 h14 h15 h16 h17 h18 h19 h20"
rm -f "$work/todsync.log"
once() {
    for try in 1 2 3 4 5; do
        WINEDEBUG=+eventlog "$here/scripts/wine-run.sh" "$work/todsync.exe" $hosts >/dev/null \
            2>"$work/once.$1"
        ! grep -q 'ReportEventW' "$work/once.$1" || return
    done
}
for round in $(seq 240); do
    once "$round" & [ $((round % 6)) -ne 0 ] || wait
done
n=$((240 - $(grep -l 'ReportEventW.*0x0002' "$work"/once.* | wc -l)))
counts="$(grep -c ' todsync\[[0-9]*\] error.$' "$work/todsync.log") $(grep -c '^\[.*All tries were failed' \
    "$work/todsync.log") $(grep -c '^\[[0-9:.]*\] \[[0-9-]*\] ' "$work/todsync.log") $(grep -c . "$work/todsync.log")"
[ "$counts" = "$n $n $((n * 41)) $((n * 43))" ] && [ "$n" -ge 234 ] ||
    fail "six runs at once, $n in the file: headers, ends, lines, all: $counts"

[ "$failures" -eq 0 ] || { tail -n 20 "$work/stderr" >&2; exit 1; }
echo "e2e under Wine: all checks passed"

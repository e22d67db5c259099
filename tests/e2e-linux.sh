#!/bin/sh
# todsync as a user runs it, against the server of scripts/testnet.sh.
#   scripts/testnet.sh tests/e2e-linux.sh path/to/todsync
set -u
todsync=$1

. "$(dirname "$0")/e2e-lib.sh"

# 1. No host names: the usage text, exit status 2, no log entry.
run
[ "$status" -eq 2 ] || fail "usage: exit status $status, not 2"
grep -qx 'todsync: Usage: todsync HostName \[HostName \[HostName \[...\]\]\]' "$work/stderr" ||
    fail "usage text: $(cat "$work/stderr")"
[ ! -e "$VESTRIO_LOG_FILE" ] || fail "the usage path wrote a log entry"

# 2. A refused host, then the server: the report, and the clock refused.
run 127.0.0.2 127.0.0.1
[ "$status" -eq 1 ] || fail "no clock set: exit status $status, not 1"
head -n 1 "$VESTRIO_LOG_FILE" | grep -Eq '^[0-9-]{10} [0-9:.]{12} [+-][0-9]{4} todsync\[[0-9]+\] error$' ||
    fail "header line: $(head -n 1 "$VESTRIO_LOG_FILE")"
expect_messages "$(refused 127.0.0.2)" "$(reached 127.0.0.1)" "All tries were failed."
# The remote time is today's UTC date, day without a leading zero.
today=$(date -u +%-d.%m.%Y)
messages | grep -q "^Remote date & time: $today [0-9]*:[0-9][0-9]:[0-9][0-9]\.0$" ||
    messages | grep -q "^Remote date & time: $(date -u -d '1 minute ago' +%-d.%m.%Y) " ||
    fail "remote time line: $(messages | grep Remote)"
grep -q "Trying machine 127.0.0.2\." "$work/stderr" || fail "the entry is not on standard error"

# 4. A log file that cannot be opened is reported; the entry is still shown.
VESTRIO_LOG_FILE=$work run 127.0.0.2
grep -q "cannot open log file $work: " "$work/stderr" && grep -q '^\[.*Error 1225' "$work/stderr" ||
    fail "an unusable log file: $(cat "$work/stderr")"
VESTRIO_LOG_FILE="$work/a$(printf '\r\n\033')[2Jb/log" run 127.0.0.2
grep -qF "cannot open log file $work/a^M^J^[[2Jb/log: " "$work/stderr" || fail "a path with controls"

# 5. --help and --version on standard output; a dry run leaves the clock alone.
[ "$(timeout 10 "$todsync" 127.0.0.1 -h </dev/null | head -n 1)" = \
    'Usage: todsync HostName [HostName [HostName [...]]]' ] || fail "-h: no help"
timeout 10 "$todsync" --VERSION </dev/null |
    grep -qx 'todsync [0-9]\.[0-9][0-9]\.[0-9][0-9][0-9][0-9]' || fail "--version"
run 127.0.0.2 127.0.0.1 --Dry-Run
[ "$status" -eq 0 ] || fail "a dry run: exit status $status"
expect_messages "$(refused 127.0.0.2)" "$(reached 127.0.0.1 | head -n 5)" \
    "Dry run: the clock was not set."

# 6. A word that only looks like an option is named, and no host is asked.
rm -f "$VESTRIO_LOG_FILE"
for word in --dryrun --dry-run=yes /dry-run "$(printf '\342\200\223dry-run')" \
    "$(printf '\342\200\224dry-run')" '"--dry-run"x' "$(printf -- '--dry-run\t::1')" -x '/?'; do
    run 127.0.0.1 "$word"
    [ "$status" -eq 2 ] || fail "$word: exit status $status, not 2"
    grep -qxF "todsync: Unknown option: $word. The options are --domain[=NAME], --dry-run, --precise, --max-step=SECONDS, --help and --version." \
        "$work/stderr" || fail "$word: $(cat "$work/stderr")"
    [ ! -e "$VESTRIO_LOG_FILE" ] || fail "$word: a host was tried"
done

# 7. --precise: against this whole-second server, the moment its second
# changes; against one that answers in hundredths, 20 ms away, those. The
# estimate leaves the step a few ms (the benchmark measures how few).
step_ms() { messages | awk '/^Step: / { v = $2 + 0; printf "%d", (v < 0 ? -v : v) * 1000 }'; }
run --precise --dry-run 127.0.0.1
[ "$status" -eq 0 ] || fail "--precise: exit status $status"
messages | grep -Eq '^Estimate: the remote second began between two answers [0-9.]+ ms apart \(round trip [0-9.]+ ms, [0-9]+ tries\)\.$' ||
    fail "--precise: $(messages | grep Estimate)"
[ "$(step_ms)" -lt 100 ] 2>/dev/null || fail "--precise: $(messages | grep Step)"
hostile hundredths:20
run --precise --dry-run 127.0.0.3
messages | grep -Eq '^Estimate: the hundredths of the answer with the shortest round trip \(2[0-9]\.[0-9] ms, of 3 tries\), and half of that round trip\.$' ||
    fail "--precise, hundredths: $(messages | grep Estimate)"
[ "$(step_ms)" -lt 100 ] 2>/dev/null || fail "--precise, hundredths: $(messages | grep Step)"

finish "e2e"

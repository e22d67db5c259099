#!/bin/sh
# The fatal error path: with the icon group missing, the run ends at once
# with exit status 70, says what failed, and logs nothing.
#   tests/fatal-posix.sh todsync_without_icons
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export VESTRIO_LOG_FILE="$work/todsync.log" STATE_DIRECTORY="$work/state"
# The binary is todsync itself but for its icons: the clock privilege stays
# out of its reach.
setpriv --bounding-set=-sys_time --inh-caps=-sys_time -- "$1" no-host </dev/null >"$work/out" \
    2>"$work/err"
status=$?
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
[ "$status" -eq 70 ] || fail "exit status $status, not 70"
grep -qx 'todsync: vlSetWindowResIconAll failed (status 0x80070716); nothing was logged' "$work/err" ||
    fail "message: $(cat "$work/err")"
[ ! -e "$VESTRIO_LOG_FILE" ] || fail "a log entry was written"
[ ! -s "$work/out" ] || fail "standard output: $(cat "$work/out")"
[ "$failures" -eq 0 ] || exit 1
echo "fatal error path: all checks passed"

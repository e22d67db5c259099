#!/bin/sh
# The fatal error path of todsync.exe under Wine on $DISPLAY: the icon group
# missing, a box "todsync" says what failed; exit status 70, no log entry.
#   tests/fatal-wine.sh todsync_without_icons.exe VESTRIOSUPPORT0100.DLL
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
cp "$1" "$2" "$work/"
exe=$work/$(basename "$1")
export VESTRIO_LOG_FILE="Z:$work/todsync.log"
pid=
trap '[ -z "$pid" ] || kill -- "-$pid" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
[ -n "${DISPLAY:-}" ] || { echo "needs a display (DISPLAY)" >&2; exit 1; }

WINEDEBUG=+msgbox setsid "$here/scripts/wine-run.sh" "$exe" no-host >"$work/out" 2>"$work/err" &
pid=$!
. "$here/tests/x11-lib.sh"
if box=$(wait_window '^todsync$'); then
    sleep 0.5
    grep -q 'MSGBOX_OnInit L"vlSetWindowResIconAll failed (status 0x80070716). Nothing was logged."$' \
        "$work/err" || fail "the box's text: $(grep MSGBOX_OnInit "$work/err")"
    xdotool key --window "$box" Return
else
    fail "no box with the caption todsync appeared"
fi
wait "$pid"
status=$?
pid=
[ "$status" -eq 70 ] || fail "exit status $status, not 70"
[ ! -e "$work/todsync.log" ] || fail "a log entry was written"
[ "$failures" -eq 0 ] || exit 1
echo "fatal error path under Wine: all checks passed"

#!/bin/sh
# The usage box of todsync.exe under Wine on $DISPLAY: caption "todsync",
# the usage text, Return closes it, exit status 2, no log entry. Screenshots
# of it alone and inside a Wine virtual desktop (which draws the caption).
# A word that only looks like an option: the box names it and no host is
# asked, though the stand-in netapi32.dll has one that answers.
#   tests/usage-box-wine.sh todsync.exe VESTRIOSUPPORT0100.DLL screenshot.png netapi32.dll
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
shot=$3
work=$(mktemp -d)
cp "$1" "$2" "$work/"
export VESTRIO_LOG_FILE="Z:$work/todsync.log"
# Each run is a process group of its own (setsid), $pid, ended as one.
pid=
cleanup() {
    [ -z "$pid" ] || kill -- "-$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
[ -n "${DISPLAY:-}" ] || { echo "needs a display (DISPLAY)" >&2; exit 1; }

. "$here/tests/x11-lib.sh"

# 1. As a window of its own.
WINEDEBUG=+msgbox setsid "$here/scripts/wine-run.sh" "$work/todsync.exe" >"$work/out" 2>"$work/err" &
pid=$!
if box=$(wait_window '^todsync$'); then
    sleep 0.5
    grep -q 'MSGBOX_OnInit L"Usage: todsync\[.EXE\] HostName \[HostName \[HostName \[...\]\]\]"$' \
        "$work/err" || fail "the box's text: $(grep MSGBOX_OnInit "$work/err")"
    import -window "$box" "$shot" || fail "no screenshot"
    xdotool key --window "$box" Return
else
    fail "no window with the caption todsync appeared"
fi
wait "$pid"
status=$?
pid=
[ "$status" -eq 2 ] || fail "exit status $status, not 2"
[ ! -e "$work/todsync.log" ] || fail "the usage path wrote a log entry"
[ ! -s "$work/out" ] || fail "standard output: $(cat "$work/out")"

# 2. Inside a virtual desktop, where Wine draws the caption bar.
setsid "$here/scripts/wine-run.sh" explorer /desktop=todsync,640x480 "$work/todsync.exe" \
    >/dev/null 2>&1 &
pid=$!
if desktop=$(wait_window 'Wine desktop'); then
    sleep 2
    import -window "$desktop" "${shot%.png}-desktop.png" || fail "no desktop screenshot"
    # Keys do not reach the box inside: its OK button, mid-desktop.
    xdotool mousemove --window "$desktop" 321 268 click 1
else
    fail "no Wine desktop appeared"
fi
i=0
while kill -0 "$pid" 2>/dev/null && [ $i -lt 50 ]; do sleep 0.2; i=$((i + 1)); done
if kill -0 "$pid" 2>/dev/null; then
    fail "the box in the virtual desktop did not close"
    kill -- "-$pid" 2>/dev/null
fi
wait "$pid"
pid=

# 3. Mistyped, pasted with a typographic dash, quoted, glued by a tab; and
#    --version. None of them writes to the registry.
apppaths='HKCU\Software\Microsoft\Windows\CurrentVersion\App Paths\todsync.exe'
"$here/scripts/wine-run.sh" reg delete "$apppaths" /f >/dev/null 2>&1
cp "$4" "$work/netapi32.dll"
export WINEDLLOVERRIDES="netapi32=n;mscoree,mshtml=" TODSYNC_TEST_NETAPI="WORKING=now"
tab=$(printf '\t')
for word in --dryrun --Dry-Run=yes /dry-run "$(printf '\342\200\223dry-run')" \
    "$(printf '\342\200\224dry-run')" '"--dry-run"x' "--dry-run${tab}working" -x --version; do
    rm -f "$work/todsync.log"
    WINEDEBUG=+msgbox LC_ALL=C.UTF-8 setsid "$here/scripts/wine-run.sh" "$work/todsync.exe" \
        working "$word" >"$work/out" 2>"$work/err" &
    pid=$!
    if box=$(wait_window '^todsync$'); then
        sleep 0.3
        case $word in
        --version) want='MSGBOX_OnInit L"todsync 1.' ;;
        *[!-=/a-zA-Z]*) want='MSGBOX_OnInit L"Unknown option: ' ;;
        *) want="MSGBOX_OnInit L\"Unknown option: $word. The options are --dry-run," ;;
        esac
        grep -qF "$want" "$work/err" || fail "$word: the box: $(grep MSGBOX_OnInit "$work/err")"
        xdotool key --window "$box" Return
    else
        fail "$word: no box appeared"
    fi
    wait "$pid"
    status=$?
    pid=
    [ "$status" -eq 2 ] || [ "$word" = --version ] || fail "$word: exit status $status, not 2"
    [ ! -e "$work/todsync.log" ] || fail "$word: a host was tried"
done
! "$here/scripts/wine-run.sh" reg query "$apppaths" >/dev/null 2>&1 || fail "a registry key was written"

[ "$failures" -eq 0 ] || exit 1
echo "usage box: all checks passed; screenshots $shot and ${shot%.png}-desktop.png"

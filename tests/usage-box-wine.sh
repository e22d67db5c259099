#!/bin/sh
# todsync.exe's box under Wine on $DISPLAY for no host names (screenshot), a
# word like an option (named; no host asked, though one answers) and --version:
# caption, text, Return closes it, no log entry, no registry key.
#   tests/usage-box-wine.sh todsync.exe VESTRIOSUPPORT0100.DLL screenshot.png netapi32.dll
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
cp "$1" "$2" "$work/"
cp "$4" "$work/netapi32.dll"
export VESTRIO_LOG_FILE="Z:$work/todsync.log" LC_ALL=C.UTF-8
export WINEDLLOVERRIDES="netapi32=n;mscoree,mshtml=" TODSYNC_TEST_NETAPI="WORKING=now"
# Each run is a process group of its own (setsid), $pid, ended as one.
pid=
trap '[ -z "$pid" ] || kill -- "-$pid" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
[ -n "${DISPLAY:-}" ] || { echo "needs a display (DISPLAY)" >&2; exit 1; }
. "$here/tests/x11-lib.sh"
apppaths='HKCU\Software\Microsoft\Windows\CurrentVersion\App Paths\todsync.exe'
"$here/scripts/wine-run.sh" reg delete "$apppaths" /f >/dev/null 2>&1

for word in "" --dryrun --Dry-Run=yes /dry-run "$(printf '\342\200\223dry-run')" \
    "$(printf '\342\200\224dry-run')" '"--dry-run"x' "$(printf -- '--dry-run\tx')" -x --version; do
    rm -f "$work/todsync.log"
    # shellcheck disable=SC2086
    WINEDEBUG=+msgbox setsid "$here/scripts/wine-run.sh" "$work/todsync.exe" \
        ${word:+working "$word"} >"$work/out" 2>"$work/err" &
    pid=$!
    case $word in
    "") want='MSGBOX_OnInit L"Usage: todsync[.EXE] HostName [HostName [HostName [...]]]"' ;;
    --version) want='MSGBOX_OnInit L"todsync 1.' ;;
    *[!-=/a-zA-Z]*) want='MSGBOX_OnInit L"Unknown option: ' ;;
    *) want="MSGBOX_OnInit L\"Unknown option: $word. The options are --domain[=NAME], --dry-run," ;;
    esac
    if box=$(wait_window '^todsync$'); then
        sleep 0.3
        [ -n "$word" ] || import -window "$box" "$3" || fail "no screenshot"
        xdotool key --window "$box" Return
    else
        fail "[$word]: no box appeared"
    fi
    wait "$pid"
    status=$?
    pid=
    grep -qF "$want" "$work/err" || fail "[$word]: the box: $(grep MSGBOX_OnInit "$work/err")"
    [ "$status" -eq 2 ] || [ "$word" = --version ] || fail "[$word]: exit status $status, not 2"
    [ ! -e "$work/todsync.log" ] || fail "[$word]: a host was tried"
    [ ! -s "$work/out" ] || fail "[$word]: standard output: $(cat "$work/out")"
done
! "$here/scripts/wine-run.sh" reg query "$apppaths" >/dev/null 2>&1 || fail "a registry key was written"

[ "$failures" -eq 0 ] || exit 1
echo "usage box: all checks passed; screenshot $3"

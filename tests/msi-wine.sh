#!/bin/sh
# The MSI under Wine, in the build's prefix: msiexec /i puts the stripped
# binaries, README-Windows.txt (CR LF) and the task (well-formed XML) under
# Program Files and registers the event log source; msiexec /x removes them.
#   tests/msi-wine.sh todsync-VERSION.msi
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
wine=$here/scripts/wine-run.sh
vestrio="${WINEPREFIX:-$here/build-win/wineprefix}/drive_c/Program Files/Vestrio"
dir=$vestrio/todsync
key='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\todsync'
msi=$(printf 'Z:%s' "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")" | sed 's|/|\\|g')
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

"$wine" reg delete "$key" /f >/dev/null 2>&1 # the e2e runs register the source too
"$wine" msiexec /i "$msi" /qn >/dev/null 2>&1 || fail "msiexec /i: status $?"
for f in todsync.exe VESTRIOSUPPORT0100.DLL README-Windows.txt todsync-task.xml; do
    [ -f "$dir/$f" ] || fail "not installed: $f"
done
for f in todsync.exe VESTRIOSUPPORT0100.DLL; do
    ! x86_64-w64-mingw32-objdump -h "$dir/$f" | grep -q '\.debug' || fail "not stripped: $f"
done
[ "$(grep -vc "$(printf '\r')\$" "$dir/README-Windows.txt")" -eq 0 ] || fail "README: a line without CR LF"
xmllint --noout "$dir/todsync-task.xml" || fail "the task is not well-formed"
reg=$("$wine" reg query "$key" 2>/dev/null | tr -d '\r')
printf "%s\n" "$reg" | grep -q 'EventMessageFile *REG_SZ *C:\\Program Files\\Vestrio\\todsync\\VESTRIOSUPPORT0100.DLL$' ||
    fail "EventMessageFile: $reg"
printf "%s\n" "$reg" | grep -q 'TypesSupported *REG_DWORD *0x7$' || fail "TypesSupported: $reg"

"$wine" msiexec /x "$msi" /qn >/dev/null 2>&1 || fail "msiexec /x: status $?"
[ ! -e "$vestrio" ] || fail "left behind: $(ls -R "$vestrio")"
! "$wine" reg query "$key" >/dev/null 2>&1 || fail "the event log source is still registered"
[ "$failures" -eq 0 ] && echo "MSI under Wine: installed and removed"

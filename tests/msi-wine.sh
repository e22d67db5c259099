#!/bin/sh
# The MSI under Wine: msiexec /i installs the stripped binaries, the texts (CR
# LF), the task, the event source and App Paths entry, which runs of it and of
# another copy leave as they are; msiexec /x removes it all.
#   tests/msi-wine.sh todsync-VERSION.msi todsync.exe VESTRIOSUPPORT0100.DLL
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
wine=$here/scripts/wine-run.sh
vestrio="${WINEPREFIX:-$here/build-win/wineprefix}/drive_c/Program Files/Vestrio"
dir=$vestrio/todsync
key='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\todsync'
msi=$(printf 'Z:%s' "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")" | sed 's|/|\\|g')
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

apppaths='Software\Microsoft\Windows\CurrentVersion\App Paths\todsync.exe'
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export VESTRIO_LOG_FILE="Z:$work/todsync.log" LC_ALL=C.UTF-8
"$wine" reg delete "$key" /f >/dev/null 2>&1 # what the other tests' runs registered
"$wine" reg delete "HKCU\\$apppaths" /f >/dev/null 2>&1
"$wine" msiexec /i "$msi" /qn >/dev/null 2>&1 || fail "msiexec /i: status $?"
for f in todsync.exe VESTRIOSUPPORT0100.DLL README-Windows.txt todsync-task.xml LICENSE.txt; do
    [ -f "$dir/$f" ] || fail "not installed: $f"
done
[ "$(grep -vc "$(printf '\r')\$" "$dir/LICENSE.txt")" -eq 0 ] || fail "LICENSE: a line without CR LF"
"$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
    tr -d '\r' | grep -q 'InstallLocation *REG_SZ *C:\\Program Files\\Vestrio\\todsync\\$' ||
    fail "Apps & features does not show where todsync is"
"$wine" reg query "HKLM\\$apppaths" 2>/dev/null | tr -d '\r' |
    grep -q '(Default) *REG_SZ *C:\\Program Files\\Vestrio\\todsync\\todsync.exe$' ||
    fail "no App Paths entry for the installed program"
# Runs of the installed copy and of another (a name with a zero-width space
# needs no network): the source stays the MSI's, only the other copy records.
name=$(printf 'a\342\200\213')
"$wine" 'C:\Program Files\Vestrio\todsync\todsync.exe' "$name" >/dev/null 2>&1 || [ $? -eq 1 ] ||
    fail "the installed copy's run: exit status not 1"
! "$wine" reg query "HKCU\\$apppaths" >/dev/null 2>&1 || fail "the installed copy recorded itself"
cp "$2" "$3" "$work/"
"$wine" "$work/todsync.exe" "$name" >/dev/null 2>&1
[ -s "$work/todsync.log" ] || fail "the runs wrote no log entry"
[ "$(grep -vc "$(printf '\r')\$" "$dir/README-Windows.txt")" -eq 0 ] || fail "README: a line without CR LF"
xmllint --noout "$dir/todsync-task.xml" || fail "the task is not well-formed"
reg=$("$wine" reg query "$key" 2>/dev/null | tr -d '\r')
printf "%s\n" "$reg" | grep -q 'EventMessageFile *REG_SZ *C:\\Program Files\\Vestrio\\todsync\\VESTRIOSUPPORT0100.DLL$' ||
    fail "EventMessageFile: $reg"
printf "%s\n" "$reg" | grep -q 'TypesSupported *REG_DWORD *0x7$' || fail "TypesSupported: $reg"

"$wine" reg delete "HKCU\\$apppaths" /f >/dev/null 2>&1 || fail "the other copy recorded nothing"

"$wine" msiexec /x "$msi" /qn >/dev/null 2>&1 || fail "msiexec /x: status $?"
[ ! -e "$vestrio" ] || fail "left behind: $(ls -R "$vestrio")"
! "$wine" reg query "$key" >/dev/null 2>&1 || fail "the event log source is still registered"
! "$wine" reg query "HKLM\\$apppaths" >/dev/null 2>&1 || fail "the App Paths entry is still there"
[ "$failures" -eq 0 ] && echo "MSI under Wine: installed and removed"

#!/bin/sh
# The Debian package on this machine: dpkg -i, a run, man page, units (not
# enabled), log folder; then dpkg -r and --purge leave nothing.
#   tests/package-test.sh BUILD_DIR
# Needs root, and refuses to touch a todsync package it did not install.
set -u
build=$1
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
if [ "$(id -u)" -ne 0 ]; then
    echo "skipped: installing a package needs root"
    exit 0
fi
if dpkg-query -W -f='${Status}' todsync 2>/dev/null | grep -q installed; then
    echo "a todsync package is installed already; not touching it" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'dpkg --purge todsync >/dev/null 2>&1; rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log" >&2; exit 1; }
deb=$(ls "$work"/todsync_*.deb)

depends=$(dpkg-deb -f "$deb" Depends)
for d in samba-libs samba-common libcap2 libc6; do
    echo "$depends" | grep -q "$d" || fail "Depends lacks $d: $depends"
done

dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "dpkg -i"; }
/usr/bin/todsync </dev/null >/dev/null 2>&1
[ $? -eq 2 ] || fail "todsync without hosts: exit status not 2"
[ "$(man -w todsync 2>/dev/null)" = /usr/share/man/man8/todsync.8.gz ] || fail "man -w todsync"
[ -d /var/log/vestrio ] || fail "no /var/log/vestrio"
systemd-analyze verify /usr/lib/systemd/system/todsync.service /usr/lib/systemd/system/todsync.timer ||
    fail "systemd-analyze verify of the installed units"
exposure=$(systemd-analyze security --offline=true /usr/lib/systemd/system/todsync.service 2>/dev/null |
    sed -n 's/.*Overall exposure level for todsync.service: \([0-9.]*\).*/\1/p')
awk -v e="$exposure" 'BEGIN { exit !(e != "" && e <= 2.4) }' || fail "the service's exposure: '$exposure'"
[ ! -e /etc/systemd/system/timers.target.wants/todsync.timer ] || fail "the timer is enabled"
[ -z "$(getcap /usr/bin/todsync 2>/dev/null)" ] || fail "the binary carries a capability"

dpkg -r todsync >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "dpkg -r"; }
for f in /usr/bin/todsync /usr/lib/libvestriosupport0100.so /usr/share/man/man8/todsync.8.gz \
    /usr/lib/systemd/system/todsync.service; do
    [ ! -e "$f" ] || fail "$f is left after dpkg -r"
done
[ -e /etc/default/todsync ] || fail "the host list, a conffile, went with dpkg -r"
dpkg --purge todsync >/dev/null 2>&1 || fail "dpkg --purge"
[ ! -e /etc/default/todsync ] || fail "the host list is left after purge"
dpkg-query -W todsync >/dev/null 2>&1 && fail "dpkg still knows todsync"

[ "$failures" -eq 0 ] || exit 1
echo "package: all checks passed"

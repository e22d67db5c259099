#!/bin/sh
# The Debian package, built from debian/ with dpkg-buildpackage and checked
# by lintian, on this machine: dpkg -i, a run, man page, units (not
# enabled), log folder; then dpkg -r and --purge leave nothing of the
# package's and everything of the administrator's.
#   tests/package-test.sh SOURCE_DIR
# Needs root, and refuses to touch a todsync package it did not install.
set -u
source=$1
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
# A copy of the tracked sources, so that the build leaves the tree alone.
mkdir "$work/todsync"
if git -C "$source" rev-parse --git-dir >/dev/null 2>&1; then
    (cd "$source" && git ls-files -co --exclude-standard -z | xargs -0 tar cf -)
else
    (cd "$source" && tar cf - --exclude='./build*' --exclude='./obj-*' .)
fi | tar xf - -C "$work/todsync"
(cd "$work/todsync" && DEB_BUILD_OPTIONS="parallel=$(nproc) nocheck" \
    dpkg-buildpackage -b -us -uc >"$work/build.log" 2>&1) || { tail -n 40 "$work/build.log" >&2; exit 1; }
deb=$(ls "$work"/todsync_*.deb)
lintian --pedantic --fail-on error,warning "$work"/todsync_*.changes >"$work/lintian.log" 2>&1 ||
    fail "lintian: $(cat "$work/lintian.log")"
version=$(sed -n 's/^ *VERSION \([0-9.]*\)$/\1/p' "$source/CMakeLists.txt")
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version $(dpkg-deb -f "$deb" Version), not $version"

# A log file the administrator had before the package is theirs to keep.
mkdir -p /var/log/vestrio
if [ ! -e /var/log/vestrio/todsync.log ]; then
    echo before >/var/log/vestrio/todsync.log
    planted=yes
fi

depends=$(dpkg-deb -f "$deb" Depends)
for d in samba-libs samba-common libcap2 libc6; do
    echo "$depends" | grep -q "$d" || fail "Depends lacks $d: $depends"
done

# The program runs as root here, with the power to set the clock withheld.
noclock="setpriv --bounding-set=-sys_time --inh-caps=-sys_time --"
dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "dpkg -i"; }
$noclock /usr/bin/todsync </dev/null >/dev/null 2>&1
[ $? -eq 2 ] || fail "todsync without hosts: exit status not 2"
[ "$($noclock /usr/bin/todsync --version)" = "todsync $(echo "$version" | awk -F. '{ printf "%d.%02d.%04d", $1, $2, $4 }')" ] ||
    fail "--version: $($noclock /usr/bin/todsync --version)"
# The system user, and the log folder and file it writes.
getent passwd _todsync | grep -q ':/usr/sbin/nologin$' || fail "no system user _todsync"
[ "$(stat -c %U /var/log/vestrio)" = _todsync ] && [ "$(stat -c %U /var/log/vestrio/todsync.log)" = _todsync ] ||
    fail "the log folder or file is not _todsync's: $(ls -ld /var/log/vestrio /var/log/vestrio/todsync.log)"
[ -f /etc/logrotate.d/todsync ] || fail "no logrotate file"
[ "$(man -w todsync 2>/dev/null)" = /usr/share/man/man8/todsync.8.gz ] || fail "man -w todsync"
units=/lib/systemd/system
systemd-analyze verify $units/todsync.service $units/todsync.timer ||
    fail "systemd-analyze verify of the installed units"
exposure=$(systemd-analyze security --offline=true $units/todsync.service 2>/dev/null |
    sed -n 's/.*Overall exposure level for todsync.service: \([0-9.]*\).*/\1/p')
awk -v e="$exposure" 'BEGIN { exit !(e != "" && e <= 2.4) }' || fail "the service's exposure: '$exposure'"
[ ! -e /etc/systemd/system/timers.target.wants/todsync.timer ] || fail "the timer is enabled"
[ -z "$(getcap /usr/bin/todsync 2>/dev/null)" ] || fail "the binary carries a capability"

dpkg -r todsync >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "dpkg -r"; }
for f in /usr/bin/todsync /usr/lib/x86_64-linux-gnu/todsync /usr/share/man/man8/todsync.8.gz \
    $units/todsync.service; do
    [ ! -e "$f" ] || fail "$f is left after dpkg -r"
done
[ -e /etc/default/todsync ] || fail "the host list, a conffile, went with dpkg -r"
dpkg --purge todsync >/dev/null 2>&1 || fail "dpkg --purge"
[ ! -e /etc/default/todsync ] || fail "the host list is left after purge"
dpkg-query -W todsync >/dev/null 2>&1 && fail "dpkg still knows todsync"
if [ "${planted:-}" = yes ]; then
    [ "$(cat /var/log/vestrio/todsync.log 2>/dev/null)" = before ] || fail "purge took a log file it did not make"
    rm -f /var/log/vestrio/todsync.log
    # A log file that the package's program started goes with purge. The
    # name with a control character fails without the network.
    dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || fail "dpkg -i, again"
    $noclock /usr/bin/todsync "$(printf 'x\001')" </dev/null >/dev/null 2>&1
    [ -s /var/log/vestrio/todsync.log ] || fail "the run wrote no log file"
    dpkg --purge todsync >/dev/null 2>&1 || fail "dpkg --purge, again"
    [ ! -e /var/log/vestrio/todsync.log ] || fail "purge left the package's log file"
fi

[ "$failures" -eq 0 ] || exit 1
echo "package: all checks passed"

#!/bin/sh
# cmake --install into a fresh prefix: the files, the program finding its
# library, the man page, the units, and the header.
#   tests/install-test.sh BUILD_DIR
set -u
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "install failed" >&2; exit 1; }
for f in bin/todsync include/vestriosupport.h share/man/man8/todsync.8.gz \
    lib/systemd/system/todsync.service lib/systemd/system/todsync.timer etc/default/todsync \
    share/doc/todsync/README.md share/doc/todsync/LICENSE lib/sysusers.d/todsync.conf \
    lib/tmpfiles.d/todsync.conf; do
    [ -e "$prefix/$f" ] || fail "missing $f"
done
ls "$prefix"/lib*/libvestriosupport0100.so >/dev/null 2>&1 || fail "missing libvestriosupport0100.so"
# The program runs from the prefix with nothing but its RPATH to go by.
setpriv --bounding-set=-sys_time --inh-caps=-sys_time -- env -i "$prefix/bin/todsync" </dev/null >"$prefix/out" 2>"$prefix/err"
status=$?
[ "$status" -eq 2 ] || fail "installed todsync without hosts: exit status $status, not 2"
grep -q '^todsync: Usage: todsync HostName' "$prefix/err" || fail "usage: $(cat "$prefix/err")"
ldd "$prefix/bin/todsync" | grep -q "libvestriosupport0100.so => $prefix/" ||
    fail "the library does not come from the prefix: $(ldd "$prefix/bin/todsync" | grep vestrio)"

# The man page: groff has nothing to say about it.
warnings=$(zcat "$prefix/share/man/man8/todsync.8.gz" | groff -ww -z -man -Tutf8 2>&1)
[ -z "$warnings" ] || fail "groff: $warnings"
LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$prefix/share/man/man8/todsync.8.gz" 2>"$prefix/manerr" |
    grep -q 'todsync - set the system clock' || fail "man -l: $(cat "$prefix/manerr")"

# The units name the installed binary (package-test.sh has systemd check them).
grep -q "^ExecStart=$prefix/bin/todsync --precise \$TODSYNC_HOSTS\$" "$prefix/lib/systemd/system/todsync.service" ||
    fail "ExecStart: $(grep ExecStart= "$prefix/lib/systemd/system/todsync.service")"
grep -q "^EnvironmentFile=-$prefix/etc/default/todsync\$" "$prefix/lib/systemd/system/todsync.service" ||
    fail "EnvironmentFile"
# The start condition holds only when a host is named and no other time
# service is active (a stand-in systemctl says which is).
condition=$(sed -n 's/^ExecCondition=//p' "$prefix/lib/systemd/system/todsync.service" | sed 's/\$\$/$/g')
mkdir -p "$prefix/stub"
printf '#!/bin/sh\n[ "$2" = "${ACTIVE:-}.service" ] && echo active || echo inactive\n' >"$prefix/stub/systemctl"
chmod +x "$prefix/stub/systemctl"
for case in ":" "   :" "a:" "a  b:" "--max-step=60:" "--Domain:" "--precise b:" "a:chrony" \
    "a:systemd-timesyncd"; do
    export TODSYNC_HOSTS="${case%:*}" ACTIVE="${case#*:}"
    said=$(PATH="$prefix/stub:$PATH" eval "$condition") && runs=yes || runs=no
    want=$(echo "$TODSYNC_HOSTS" | grep -Eq '(^| )(--[Dd]omain|[^- ])' && [ -z "$ACTIVE" ] && echo yes || echo no)
    [ "$runs" = "$want" ] || fail "ExecCondition with TODSYNC_HOSTS='$TODSYNC_HOSTS', $ACTIVE active: $runs"
    [ -z "$ACTIVE" ] || [ "$said" = "$ACTIVE.service is active and keeps the clock: this run of todsync is skipped" ] ||
        fail "the skip is not explained: '$said'"
done

# The header stands alone, in C and in C++.
printf '#include <vestriosupport.h>\nint main(void) { return 0; }\n' >"$prefix/t.c"
cc -std=c11 -Wall -Werror -fsyntax-only -I "$prefix/include" "$prefix/t.c" || fail "header in C"
c++ -std=c++17 -Wall -Werror -fsyntax-only -x c++ -I "$prefix/include" "$prefix/t.c" ||
    fail "header in C++"

[ "$failures" -eq 0 ] || exit 1
echo "install tree: all checks passed"

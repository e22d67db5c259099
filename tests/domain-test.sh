#!/bin/sh
# The todsync binary against a Samba AD domain controller as provisioning
# leaves it (scripts/testdc.sh): anonymous, passwords, Kerberos tickets by
# name and by address, with and without a krb5.conf, an expired ticket, in
# no file while used; the time server found through the SRV records, and
# found again once when it stops answering.
#
#   scripts/testdc.sh tests/domain-test.sh path/to/todsync
set -u
todsync=$1
TESTNET_DIR=$TESTDC_DIR
. "$(dirname "$0")/e2e-lib.sh"
failed() { printf '%s\n' "$(failed_with "$1" "$2")" "All tries were failed."; }

# A DC that refuses anonymous users: the null session is told so, and a
# ticket gets through with no krb5.conf at all (the KDC found through the
# realm's SRV records), so what got through was Kerberos.
if [ -n "${TESTDC_EXTRA_OPTION:-}" ]; then
    run dc1.tod.test
    expect_messages "$(failed DC1.TOD.TEST "5: Access is denied.")"
    export KRB5CCNAME="FILE:$work/ticket"
    echo "$TESTDC_ADMIN_PASSWORD" | kinit administrator@TOD.TEST >/dev/null || fail "kinit"
    for name in dc1.tod.test dc1; do
        KRB5_CONFIG=$work/no-krb5.conf run "$name"
        expect_messages "$(reached "$(printf '%s' "$name" | tr a-z A-Z)")" "All tries were failed."
    done
    finish "domain controller, $TESTDC_EXTRA_OPTION"
    exit 0
fi
run dc1.tod.test
expect_messages "$(reached DC1.TOD.TEST)" "All tries were failed."
USER="administrator%$TESTDC_ADMIN_PASSWORD" run dc1
expect_messages "$(reached DC1)" "All tries were failed."

# --domain: the DC advertises the time service (a reliable one, as Samba's
# DCs do); by the domain's name, and as the computer's own domain when its
# smb.conf names the realm (a file of this mount namespace alone).
# Without Samba's lock directory (a client runs no Samba server to make it)
# the search still works.
found="Found DC1.TOD.TEST, a reliable time server of domain tod.test."
printf '#!/bin/sh\nmount -t tmpfs none /run && exec "$@"\n' >"$work/norun" && chmod 755 "$work/norun"
TODSYNC_WRAPPER="unshare --mount $work/norun" run --domain=tod.test
expect_messages "Asking domain TOD.TEST for its time server." "$found" "$(reached DC1.TOD.TEST)" \
    "All tries were failed."
printf '[global]\n\tworkgroup = TOD\n\trealm = TOD.TEST\n\tsecurity = ads\n' >"$work/smb.conf"
mount --bind "$work/smb.conf" /etc/samba/smb.conf
run --domain
umount /etc/samba/smb.conf
expect_messages "Asking this computer's domain for its time server." "$found" \
    "$(reached DC1.TOD.TEST)" "All tries were failed."
run --domain=nowhere.test 127.0.0.1
expect_messages "Asking domain NOWHERE.TEST for its time server." \
    "DsGetDcName() failed. Error 1355: The specified domain either does not exist or could not be contacted." \
    "$(reached 127.0.0.1)" "All tries were failed."
# The DC's file server stops (its DNS and LDAP go on): the time server is
# looked for once more, and then the host named after the domain is tried.
smbd=$(ss -Hltnp '( sport = :445 )' | sed -n 's/.*pid=\([0-9]*\),.*/\1/p' | head -n 1)
kill -STOP "$smbd"
run --domain=tod.test 127.0.0.2
kill -CONT "$smbd"
timeout_line="NetRemoteTOD() failed. Error 121: The semaphore timeout period has expired."
expect_messages "Asking domain TOD.TEST for its time server." "$found" "Trying machine DC1.TOD.TEST." \
    "$timeout_line" "Asking domain TOD.TEST again, for another time server." "$found" \
    "Trying machine DC1.TOD.TEST." "$timeout_line" "$(refused 127.0.0.2)" "All tries were failed."

export KRB5CCNAME="FILE:$work/ticket"
echo "$TESTDC_ADMIN_PASSWORD" | kinit administrator@TOD.TEST >/dev/null || fail "kinit"
for name in dc1.tod.test dc1 '\\dc1.tod.test'; do
    run "$name"
    expect_messages "$(reached "$(printf '%s' "$name" | tr a-z A-Z)")" "All tries were failed."
done
run 127.0.0.1
expect_messages "$(failed 127.0.0.1 "2148074243: The specified target is unknown or unreachable")"

# While a host stalls with the ticket in use, and after the launcher is
# killed: no file of the run holds it.
leftovers() {
    # (scripts/demo.sh leaves its log in /tmp, for the reader.)
    find /tmp /var/tmp /dev/shm -user _todsync ! -path '/tmp/tmp.*' ! -path '/tmp/todsync-test*' \
        ! -name 'todsync-demo.*' 2>/dev/null
}
hostile stall
"$todsync" dc1.tod.test 127.0.0.3 </dev/null >/dev/null 2>&1 &
program=$!
connected_helper "$program" >/dev/null || fail "no helper connected to the stalled host"
[ -z "$(leftovers)" ] || fail "files of the run: $(leftovers)"
kill -KILL "$(cat /proc/"$program"/task/*/children)"
wait "$program"
expect_messages "$(reached DC1.TOD.TEST)" "$(failed_with "127.0.0.3" "1067: The process terminated unexpectedly.")" \
    "All tries were failed."
[ -z "$(leftovers)" ] && [ -z "$(descendants "$program")" ] ||
    fail "left after the launcher was killed: $(leftovers) $(descendants "$program")"

# A ticket in a kernel keyring: copied for the helper, which is not root.
KRB5CCNAME=KEYRING:session:todsync-full
export KRB5CCNAME
echo "$TESTDC_ADMIN_PASSWORD" | kinit administrator@TOD.TEST >/dev/null || fail "kinit to a keyring"
run dc1.tod.test
expect_messages "$(reached DC1.TOD.TEST)" "All tries were failed."
kdestroy
KRB5CCNAME="FILE:$work/ticket"
KRB5CCNAME=KEYRING:session:todsync-empty run dc1.tod.test
expect_messages "$(failed DC1.TOD.TEST "2148074254: No credentials are available in the security package")"

kdestroy
echo "$TESTDC_ADMIN_PASSWORD" | kinit -l 5s administrator@TOD.TEST >/dev/null || fail "kinit -l"
sleep 6
run dc1.tod.test
expect_messages "$(failed DC1.TOD.TEST "2148074254: No credentials are available in the security package")"
finish "domain controller"

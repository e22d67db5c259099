#!/bin/sh
# The todsync binary against a Samba AD domain controller as provisioning
# leaves it (scripts/testdc.sh): anonymous, passwords, Kerberos tickets by
# name and by address, with and without a krb5.conf, an expired ticket; the
# ticket in no file and out of other accounts' reach while it is used.
#
#   scripts/testdc.sh tests/domain-test.sh path/to/todsync
set -u
todsync=$1
TESTNET_DIR=$TESTDC_DIR
. "$(dirname "$0")/e2e-lib.sh"
failed() { printf '%s\n' "Trying machine $1." "NetRemoteTOD() failed. Error $2" "All tries were failed."; }

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
USER=administrator%wrong run 127.0.0.1
expect_messages "$(failed 127.0.0.1 "1326: The user name or password is incorrect.")"

export KRB5CCNAME="FILE:$work/ticket"
echo "$TESTDC_ADMIN_PASSWORD" | kinit administrator@TOD.TEST >/dev/null || fail "kinit"
for name in dc1.tod.test dc1 '\\dc1.tod.test'; do
    run "$name"
    expect_messages "$(reached "$(printf '%s' "$name" | tr a-z A-Z)")" "All tries were failed."
done
run 127.0.0.1
expect_messages "$(failed 127.0.0.1 "2148074243: The specified target is unknown or unreachable")"

# While a host stalls with the ticket in use, and after the launcher is
# killed: no file of the run holds it, and another account can neither
# signal the helper nor read it.
leftovers() {
    find /tmp /var/tmp /dev/shm -user _todsync ! -path '/tmp/tmp.*' ! -path '/tmp/todsync-test*' \
        2>/dev/null
}
hostile stall
"$todsync" dc1.tod.test 127.0.0.3 </dev/null >/dev/null 2>&1 &
program=$!
helper=$(connected_helper "$program") || fail "no helper connected to the stalled host"
as_nobody="setpriv --reuid=nobody --regid=nogroup --clear-groups"
! $as_nobody kill -0 "$helper" 2>/dev/null || fail "nobody may signal the helper"
! $as_nobody cat /proc/"$helper"/environ /proc/"$helper"/mem >/dev/null 2>&1 ||
    fail "nobody may read the helper"
[ -z "$(leftovers)" ] || fail "files of the run: $(leftovers)"
kill -KILL "$(cat /proc/"$program"/task/*/children)"
wait "$program"
expect_messages "$(reached DC1.TOD.TEST)" "Trying machine 127.0.0.3." \
    "NetRemoteTOD() failed. Error 1067: The process terminated unexpectedly." \
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

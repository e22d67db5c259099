#!/bin/sh
# Runs a command inside private network, PID and mount namespaces, beside a
# throwaway Samba AD domain controller for the realm TOD.TEST (dc1.tod.test
# on 127.0.0.1), as `samba-tool domain provision` leaves it, with its own
# DNS server. The realm's names resolve only inside (a private /etc/hosts,
# and a private /etc/resolv.conf that asks the DC, which publishes the SRV
# records of its KDC as a domain does), Kerberos reads a private krb5.conf,
# and CAP_SYS_TIME is out of the namespaces' bounding set.
#
#   scripts/testdc.sh COMMAND [ARG...]
#
# TESTDC_EXTRA_OPTION, if set, is one more "name=value" option for the DC
# (restrict anonymous=2, say).
# The command sees TESTDC_DIR (the DC's files), KRB5_CONFIG, and the
# administrator's password in TESTDC_ADMIN_PASSWORD.
set -eu
if [ -z "${TESTDC_INSIDE:-}" ]; then
    [ $# -gt 0 ] || { echo "usage: $0 COMMAND [ARG...]" >&2; exit 64; }
    exec unshare --net --pid --fork --mount-proc \
        setpriv --bounding-set=-sys_time --inh-caps=-sys_time -- env TESTDC_INSIDE=1 "$0" "$@"
fi

ip link set lo up
TESTDC_DIR=$(mktemp -d /tmp/todsync-testdc.XXXXXX)
# The network helper runs as _todsync: the krb5.conf must be readable to it.
chmod 755 "$TESTDC_DIR"
TESTDC_ADMIN_PASSWORD='Adm1n-Pass!'
export TESTDC_DIR TESTDC_ADMIN_PASSWORD
samba_pid=
cleanup() {
    [ -n "$samba_pid" ] && kill -TERM -- "-$samba_pid" 2>/dev/null
    sleep 0.5
    umount /etc/hosts 2>/dev/null
    umount /etc/resolv.conf 2>/dev/null
    umount /run/samba 2>/dev/null
    rm -rf "$TESTDC_DIR"
}
trap cleanup EXIT INT TERM

# The DC's runtime files (pid files, winbindd's and ncalrpc's sockets) in a
# fresh tmpfs on /run/samba, for this mount namespace only: no other Samba
# on the machine (the test smbd of scripts/testnet.sh, another test DC)
# may reach this DC's winbindd, nor it theirs.
mkdir -p /run/samba "$TESTDC_DIR/run"
mount -t tmpfs -o mode=755 tmpfs /run/samba
# Names of the realm for this mount namespace only: files of our own are
# mounted on /etc/hosts and /etc/resolv.conf (before provisioning, which
# reads the name server), and unmounted before the folder goes.
printf '127.0.0.1 localhost\n127.0.0.1 dc1.tod.test dc1\n' >"$TESTDC_DIR/hosts"
printf 'nameserver 127.0.0.1\n' >"$TESTDC_DIR/resolv.conf"
mount --bind "$TESTDC_DIR/hosts" /etc/hosts
mount --bind "$TESTDC_DIR/resolv.conf" /etc/resolv.conf
samba-tool domain provision --realm=TOD.TEST --domain=TOD --server-role=dc --dns-backend=SAMBA_INTERNAL \
    --adminpass="$TESTDC_ADMIN_PASSWORD" --targetdir="$TESTDC_DIR" --host-name=dc1 \
    --host-ip=127.0.0.1 --option="interfaces=lo" --option="bind interfaces only=yes" \
    --option="disable netbios=yes" --option="pid directory=$TESTDC_DIR/run" \
    ${TESTDC_EXTRA_OPTION:+"--option=$TESTDC_EXTRA_OPTION"} \
    >"$TESTDC_DIR/provision.log" 2>&1 ||
    { echo "testdc: provisioning failed:" >&2; tail -n 20 "$TESTDC_DIR/provision.log" >&2; exit 1; }

cat >"$TESTDC_DIR/krb5.conf" <<CONF
[libdefaults]
    default_realm = TOD.TEST
    dns_lookup_realm = false
    dns_lookup_kdc = false
[realms]
    TOD.TEST = {
        kdc = 127.0.0.1
    }
[domain_realm]
    .tod.test = TOD.TEST
    tod.test = TOD.TEST
CONF
chmod 644 "$TESTDC_DIR/krb5.conf"
export KRB5_CONFIG="$TESTDC_DIR/krb5.conf"

setsid samba --interactive -s "$TESTDC_DIR/etc/smb.conf" >"$TESTDC_DIR/samba.out" 2>&1 &
samba_pid=$!
i=0
# SMB, Kerberos, LDAP, the endpoint mapper and DNS: the DC answers logons
# only once all of them are up.
until [ "$(ss -Hltn '( sport = :445 or sport = :389 or sport = :135 )' | grep -c LISTEN)" -ge 3 ] &&
    [ "$(ss -Hlun '( sport = :88 or sport = :53 )' | wc -l)" -ge 2 ]; do
    i=$((i + 1))
    if [ $i -gt 300 ] || ! kill -0 "$samba_pid" 2>/dev/null; then
        echo "testdc: samba did not start:" >&2
        tail -n 20 "$TESTDC_DIR/samba.out" >&2
        exit 1
    fi
    sleep 0.1
done
# Provisioning on loopback alone registers no address for the DC in its
# DNS: without one, DsGetDcName finds the SRV records but not the host. The
# DC may refuse logons for a moment after it listens.
i=0
until samba-tool dns add 127.0.0.1 tod.test dc1 A 127.0.0.1 \
    -U "administrator%$TESTDC_ADMIN_PASSWORD" >"$TESTDC_DIR/dns-add.log" 2>&1; do
    i=$((i + 1))
    if [ $i -gt 20 ]; then
        echo "testdc: the DC's address record was refused:" >&2
        tail -n 5 "$TESTDC_DIR/dns-add.log" >&2
        exit 1
    fi
    sleep 0.5
done
sleep 1
set +e
"$@"

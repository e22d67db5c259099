#!/bin/sh
# Runs a command with the power to set the clock out of its reach:
# in a user namespace of its own (whose capabilities never reach the host's
# clock), and with CAP_SYS_TIME dropped from its bounding set, so that it
# cannot gain the capability even there.
#
#   scripts/noclock.sh COMMAND [ARG...]
set -eu
[ $# -gt 0 ] || { echo "usage: $0 COMMAND [ARG...]" >&2; exit 64; }
exec unshare --user --map-current-user \
    setpriv --bounding-set=-sys_time --inh-caps=-sys_time -- "$@"

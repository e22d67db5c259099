#!/bin/sh
# Installs what todsync needs, builds it, starts a throwaway Samba server in a
# private network namespace, and runs todsync against it with the power to
# set the clock withheld: you see the whole run log of a real NetRemoteTOD
# exchange, and this machine's clock is not touched.
set -eu
cd "$(dirname "$0")/.."

scripts/deps.sh demo
cmake -S . -B build >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" >/dev/null

log=$(mktemp /tmp/todsync-demo.XXXXXX.log)
# Started by root, todsync goes on as the system user _todsync, which
# writes the log file.
[ "$(id -u)" -ne 0 ] || chown _todsync: "$log"
echo "todsync 127.0.0.2 127.0.0.1   (the first is refused, the second is the test server)"
echo
status=0
VESTRIO_LOG_FILE=$log \
    scripts/testnet.sh build/todsync 127.0.0.2 127.0.0.1 || status=$?
echo
echo "exit status $status (1: no host could set the clock, here because the privilege was withheld)"
echo "log file: $log"

#!/bin/sh
# The sanitizer build: a memory fault inside libnetapi (a stand-in that reads
# past a buffer for the host OVERFLOW) is reported on standard error, where
# the tests look for reports, and not lost with Samba's captured output; the
# host is logged as failed and the next one is tried.
#   tests/sanitizer-report.sh path/to/todsync path/to/stand-in/libnetapi.so.1
set -u
todsync=$1
TESTNET_DIR=none  # the stand-in needs no server, and no network is reached
. "$(dirname "$0")/e2e-lib.sh"
# The network helper runs as nobody: the stand-in must be readable to it.
chmod 755 "$work"
mkdir "$work/lib" && cp "$2" "$work/lib/libnetapi.so.1" && chmod -R a+rX "$work/lib" || exit 1
# Not through `run`, which fails any run with a report: here one is wanted.
LD_LIBRARY_PATH="$work/lib" unshare --net setpriv --bounding-set=-sys_time --inh-caps=-sys_time -- \
    timeout 60 "$todsync" overflow other </dev/null >/dev/null 2>"$work/stderr"
status=$?
[ "$status" -eq 1 ] || fail "exit status $status, not 1"
grep -q 'ERROR: AddressSanitizer: heap-buffer-overflow' "$work/stderr" ||
    fail "no report of the fault on standard error: $(cat "$work/stderr")"
grep -q 'in NetRemoteTOD' "$work/stderr" || fail "the report does not name NetRemoteTOD"
! grep -q 'Sanitizer' "$VESTRIO_LOG_FILE" || fail "the report went into the entry"
expect_messages "Trying machine OVERFLOW." \
    "NetRemoteTOD() failed. Error 1067: The process terminated unexpectedly." \
    "Trying machine OTHER." "NetRemoteTOD() failed. Error 53: The network path was not found." \
    "All tries were failed."
finish "sanitizer report on standard error"

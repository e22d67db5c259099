#!/bin/sh
# Signs Windows files (exe, DLL, MSI) in place with Authenticode (SHA-256),
# by osslsigncode. The Windows build calls it when TODSYNC_SIGN_CERT is set.
# With TODSYNC_SIGN_TIMESTAMP_URL, each signature gets an RFC 3161 timestamp
# from that server, so that it still verifies after the certificate expires;
# a server that does not answer fails the signing.
#
#   scripts/sign-win32.sh CERT.pem KEY.pem FILE...
set -eu
cert=$1 key=$2
shift 2
for f in "$@"; do
    rm -f "$f.signed"
    # shellcheck disable=SC2086
    osslsigncode sign -certs "$cert" -key "$key" -h sha256 -n todsync \
        ${TODSYNC_SIGN_TIMESTAMP_URL:+-ts "$TODSYNC_SIGN_TIMESTAMP_URL"} \
        -in "$f" -out "$f.signed" >/dev/null
    mv -f "$f.signed" "$f"
done

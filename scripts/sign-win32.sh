#!/bin/sh
# Signs Windows files (exe, DLL, MSI) in place with Authenticode (SHA-256),
# by osslsigncode. The Windows build calls it when TODSYNC_SIGN_CERT is set.
#
#   scripts/sign-win32.sh CERT.pem KEY.pem FILE...
set -eu
cert=$1 key=$2
shift 2
for f in "$@"; do
    rm -f "$f.signed"
    osslsigncode sign -certs "$cert" -key "$key" -h sha256 -n todsync \
        -in "$f" -out "$f.signed" >/dev/null
    mv -f "$f.signed" "$f"
done

#!/bin/sh
# Signing as the build does with TODSYNC_SIGN_CERT: copies of the MSI's exe,
# DLL and the MSI, signed with a throwaway self-signed certificate, verify.
#   tests/sign-test.sh BUILD_WIN_DIR MSI
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=todsync test signer" \
    -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
cp "$1/msi-stage/todsync.exe" "$1/msi-stage/VESTRIOSUPPORT0100.DLL" "$2" "$work/"
cd "$work" && set -- todsync.exe VESTRIOSUPPORT0100.DLL "$(basename "$2")"
"$here/scripts/sign-win32.sh" cert.pem key.pem "$@" || exit 1
for f in "$@"; do
    osslsigncode verify -CAfile cert.pem -in "$f" >verify.log 2>&1 ||
        { cat verify.log >&2; echo "FAIL: $f does not verify" >&2; exit 1; }
done
echo "signed and verified: $*"

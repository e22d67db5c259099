#!/bin/sh
# The Windows zip: the program, its library, README and licence, nothing else.
#   tests/zip-test.sh BUILD_WIN_DIR
set -u
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G ZIP -B "$work" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log" >&2; exit 1; }
zip=$(ls "$work"/todsync-*-win64.zip) || { echo "no zip" >&2; exit 1; }
unzip -Z1 "$zip" | grep -v '/$' | sort >"$work/got"
dir=$(basename "$zip" .zip)
printf '%s\n' "$dir/LICENSE" "$dir/README.md" "$dir/VESTRIOSUPPORT0100.DLL" "$dir/todsync.exe" |
    sort >"$work/want"
diff -u "$work/want" "$work/got" || { echo "FAIL: the zip's contents" >&2; exit 1; }
echo "zip: $(basename "$zip") holds what it should"

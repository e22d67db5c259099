#!/bin/sh
# The Windows zip: the stripped program and library, README-Windows.txt and
# LICENSE.txt (the MSI's test checks their CR LF), the scheduled task, nothing
# else.
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
printf '%s\n' "$dir/LICENSE.txt" "$dir/README-Windows.txt" "$dir/VESTRIOSUPPORT0100.DLL" \
    "$dir/todsync-task.xml" "$dir/todsync.exe" | sort >"$work/want"
diff -u "$work/want" "$work/got" || { echo "FAIL: the zip's contents" >&2; exit 1; }
(cd "$work" && unzip -q "$zip") || exit 1
for binary in todsync.exe VESTRIOSUPPORT0100.DLL; do
    ! x86_64-w64-mingw32-objdump -h "$work/$dir/$binary" | grep -q '\.debug_' ||
        { echo "FAIL: $binary in the zip holds debugging information" >&2; exit 1; }
done
echo "zip: $(basename "$zip") holds what it should, stripped"

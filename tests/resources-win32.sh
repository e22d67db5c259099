#!/bin/sh
# The icon groups and the version block of todsync.exe, read with icoutils.
#   tests/resources-win32.sh todsync.exe
set -u
exe=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

group() {  # name, then the expected "width height bits palette" lines
    name=$1
    shift
    wrestool -x --type=group_icon --name="$name" "$exe" -o "$work/$name.ico" ||
        { fail "no icon group $name"; return; }
    icotool -l "$work/$name.ico" |
        sed 's/.*--width=\([0-9]*\) --height=\([0-9]*\) --bit-depth=\([0-9]*\) --palette-size=\([0-9]*\).*/\1 \2 \3 \4/' \
        >"$work/got"
    printf '%s\n' "$@" >"$work/want"
    diff -u "$work/want" "$work/got" >"$work/diff" || fail "icon group $name: $(cat "$work/diff")"
}

group A_MAIN "48 48 4 16" "32 32 4 16" "16 16 4 16"
group 1 "32 32 1 2" "32 32 4 16" "16 16 4 16"
[ "$(wrestool -l --type=group_icon "$exe" | wc -l)" -eq 2 ] || fail "not exactly two icon groups"

wrestool -x --raw --type=version "$exe" >"$work/version" || fail "no version block"
# VS_FIXEDFILEINFO: the signature, then file and product version 1.0.0.8.
od -A n -t x1 -v "$work/version" | tr -d ' \n' >"$work/hex"
grep -q 'bd04effe0000010000000100080000000000010008000000' "$work/hex" ||
    fail "fixed file info is not 1.0.0.8"
iconv -f UTF-16LE -t UTF-8 <"$work/version" 2>/dev/null | tr -c '[:print:]' '\n' | grep -v '^$' \
    >"$work/strings"
for s in StringFileInfo 040904B0 FileVersion 1.00.0008 ProductVersion ProductName \
    FileDescription LegalCopyright; do
    grep -qx "$s" "$work/strings" || fail "version strings lack $s"
done
[ "$(grep -c '^040904' "$work/strings")" -eq 1 ] || fail "not exactly one string table"
[ "$(grep -cx '1.00.0008' "$work/strings")" -eq 2 ] || fail "file and product version strings"

[ "$failures" -eq 0 ] || exit 1
echo "resources: all checks passed"

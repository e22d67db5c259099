#!/bin/sh
# Installs what the tests need, builds, and runs every test.
#
#   scripts/test.sh            everything (what CI runs)
#   scripts/test.sh linux      the Linux build and its tests only
#   scripts/test.sh windows    the Linux and Windows builds only (no sanitizers,
#                              valgrind or fuzzing)
#
# Needs root, or sudo for apt-get and a kernel that allows user namespaces:
# the tests start their own smbd in network namespaces of their own.
set -eu
cd "$(dirname "$0")/.."
what=${1:-all}
jobs=$(nproc 2>/dev/null || echo 2)

step() { printf '\n==== %s\n' "$*"; }

# No file of a run (they belong to _todsync) may outlive the tests in the
# shared temporary folders (scripts/demo.sh leaves its log file there on purpose).
no_leftovers() {
    left=$(find /tmp /var/tmp /dev/shm -user _todsync ! -name 'todsync-demo.*' 2>/dev/null || true)
    [ -z "$left" ] || { echo "files of runs left behind:" "$left" >&2; exit 1; }
}

step "installing packages"
scripts/deps.sh "$what"

step "checking the formatting"
scripts/check-format.sh

# The builds are the presets of CMakePresets.json.
step "building for Linux, with the tests and benchmarks"
cmake --preset test
cmake --build --preset test -j "$jobs"

step "testing on Linux"
ctest --preset test -j "$jobs"

no_leftovers
[ "$what" = linux ] && { echo; echo "all Linux tests passed"; exit 0; }

if [ "$what" = all ]; then
    step "building with AddressSanitizer and UBSan (clang), and testing"
    cmake --preset asan
    cmake --build --preset asan -j "$jobs"
    ctest --preset asan -j "$jobs"

    step "valgrind memcheck"
    scripts/valgrind.sh build

    step "fuzzing, ${TODSYNC_FUZZ_SECONDS:-20} s a harness"
    scripts/fuzz.sh "${TODSYNC_FUZZ_SECONDS:-20}"
fi

step "building for Windows"
cmake --preset windows
cmake --build --preset windows -j "$jobs"

step "testing on Windows, under Wine"
scripts/with-display.sh sh -c '
    scripts/wine-run.sh cmd /c exit 0 >/dev/null 2>&1
    status=0
    ctest --preset windows || status=$?
    WINEPREFIX=$PWD/build-win/wineprefix wineserver -k 2>/dev/null
    exit $status'

no_leftovers
echo
echo "all tests passed"

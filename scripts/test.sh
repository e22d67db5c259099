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

step "installing packages"
scripts/deps.sh "$what"

step "checking the formatting"
scripts/check-format.sh

step "building for Linux"
cmake -S . -B build -DTODSYNC_WERROR=ON
cmake --build build -j "$jobs"

step "testing on Linux"
ctest --test-dir build --output-on-failure -j "$jobs"

[ "$what" = linux ] && { echo; echo "all Linux tests passed"; exit 0; }

if [ "$what" = all ]; then
    step "building with AddressSanitizer and UBSan (clang), and testing"
    CC=clang CXX=clang++ cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTODSYNC_SANITIZE=ON \
        -DTODSYNC_WERROR=ON
    cmake --build build-asan -j "$jobs"
    ctest --test-dir build-asan --output-on-failure -j "$jobs" -LE package

    step "valgrind memcheck"
    scripts/valgrind.sh build

    step "fuzzing, ${TODSYNC_FUZZ_SECONDS:-20} s a harness"
    scripts/fuzz.sh "${TODSYNC_FUZZ_SECONDS:-20}"
fi

step "building for Windows"
cmake -S . -B build-win --toolchain cmake/mingw-w64-x86_64.cmake -DTODSYNC_WERROR=ON
cmake --build build-win -j "$jobs"

step "testing on Windows, under Wine"
scripts/with-display.sh sh -c '
    scripts/wine-run.sh cmd /c exit 0 >/dev/null 2>&1
    status=0
    ctest --test-dir build-win --output-on-failure || status=$?
    WINEPREFIX=$PWD/build-win/wineprefix wineserver -k 2>/dev/null
    exit $status'

echo
echo "all tests passed"

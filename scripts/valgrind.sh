#!/bin/sh
# Runs the Linux test programs, and the todsync binary through its end-to-end
# and fault tests, under valgrind memcheck: any error, or any memory lost by
# the program or the support library, fails. What valgrind finds inside
# Samba's own libraries is listed in tests/sanitizers/valgrind.supp.
#
#   scripts/valgrind.sh [BUILD_DIR]     (default: build)
set -eu
cd "$(dirname "$0")/.."
build=${1:-build}
vg="valgrind --quiet --error-exitcode=99 --leak-check=full --show-leak-kinds=definite,indirect
    --errors-for-leak-kinds=definite,indirect --num-callers=40
    --suppressions=$PWD/tests/sanitizers/valgrind.supp"
failed=
check() {
    name=$1
    shift
    printf '%-28s' "$name"
    if "$@" >"$build/valgrind-$name.log" 2>&1; then
        echo ok
    else
        echo "FAILED (see $build/valgrind-$name.log)"
        tail -n 40 "$build/valgrind-$name.log"
        failed="$failed $name"
    fi
}

# shellcheck disable=SC2086
{
    check unit_tests $vg "$build/tests/unit_tests"
    check support_tests $vg "$build/tests/support_tests"
    check startup_tests $vg "$build/tests/startup_tests"
    check clock_posix_tests scripts/noclock.sh $vg "$build/tests/clock_posix_tests"
    check netapi_tests scripts/testnet.sh $vg "$build/tests/netapi_tests"
    export TODSYNC_WRAPPER="$vg" TODSYNC_RUN_LIMIT=120
    check todsync_e2e scripts/testnet.sh tests/e2e-linux.sh "$build/todsync"
    for row in refused unresolvable wrong-password server-killed odd-names environment; do
        check "todsync_fault_$row" scripts/testnet.sh tests/fault-matrix.sh "$row" "$build/todsync"
    done
}
[ -z "$failed" ] || { echo "valgrind found errors in:$failed"; exit 1; }
echo "valgrind: no errors, no leaks"

#!/bin/sh
# Runs every libFuzzer harness for a while (default 20 s each) from its seed
# corpus, with AddressSanitizer and UBSan, and fails on any finding. Prints
# how many inputs each ran. New inputs go to a scratch corpus; the seeds in
# tests/fuzz/corpus stay as they are.
#
#   scripts/fuzz.sh [SECONDS] [HARNESS...]
# For a long run: scripts/fuzz.sh 3600
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-20}
[ $# -gt 0 ] && shift
harnesses=${*:-command_line run_log support_text tod_record entry}

cmake --preset fuzz >/dev/null
for h in $harnesses; do
    cmake --build build-fuzz -j "$(nproc 2>/dev/null || echo 2)" --target "fuzz_$h" >/dev/null
done

failed=
for h in $harnesses; do
    scratch=build-fuzz/corpus-$h
    mkdir -p "$scratch" build-fuzz/findings
    log=build-fuzz/fuzz-$h.log
    status=0
    # CAP_SYS_TIME out of reach, though no harness has a real clock.
    scripts/noclock.sh "build-fuzz/tests/fuzz/fuzz_$h" -max_total_time="$seconds" -max_len=4096 \
        -timeout=10 -rss_limit_mb=2048 -artifact_prefix=build-fuzz/findings/"$h"- \
        -print_final_stats=1 "$scratch" "tests/fuzz/corpus/$h" >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    if [ "$status" -eq 0 ]; then
        echo "fuzz_$h: ${runs:-?} inputs in ${seconds} s, no finding"
    else
        echo "fuzz_$h: FINDING after ${runs:-?} inputs (exit $status); see $log"
        grep -E 'ERROR|SUMMARY|Test unit written' "$log" | head -n 5
        failed="$failed $h"
    fi
done
[ -z "$failed" ] || exit 1

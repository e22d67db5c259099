#!/bin/sh
# Benchmarks a run of todsync against a local smbd in a private network
# namespace, side by side with a minimal libnetapi client (the floor) and
# Samba's own `net time`, and writes the figures to bench/results/. The
# commands compared run in turn, round after round (bench/runner.cpp), so
# that the machine's ups and downs weigh on all of them alike.
#
#   bench/run.sh [RUNS]       (default 40 runs a measurement)
set -eu
cd "$(dirname "$0")/.."
runs=${1:-40}
scripts/deps.sh bench
cmake --preset test -DTODSYNC_WERROR=OFF >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
mkdir -p bench/results
out=bench/results/$(date +%Y-%m-%d)-$(hostname -s 2>/dev/null || echo host).txt
{
    echo "todsync benchmark, $(date -u '+%Y-%m-%d %H:%M UTC')"
    scripts/testnet.sh bench/measure.sh build "$runs"
} | tee "$out"
echo
echo "written to $out"

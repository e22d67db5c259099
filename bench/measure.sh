#!/bin/sh
# The measurements of bench/run.sh, inside scripts/testnet.sh (so against a
# local smbd, with the clock privilege withheld). Prints the report.
#
#   scripts/testnet.sh bench/measure.sh BUILD_DIR RUNS
set -eu
build=$1
runs=$2
todsync=$build/todsync
floor=$build/bench/floor
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A run started by root writes as the system user _todsync.
[ "$(id -u)" -ne 0 ] || chown _todsync: "$work"
export VESTRIO_LOG_FILE="$work/todsync.log" STATE_DIRECTORY="$work/state"

echo "machine: $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1), $(nproc) cores"
echo "system: Debian $(cat /etc/debian_version), Linux $(uname -r), $(smbd --version)"
echo "todsync: $(git -C "$(dirname "$0")/.." describe --always --dirty 2>/dev/null), $runs runs each"
echo

# The first call starts the server's samba-dcerpcd; later ones find it.
for i in 1 2 3; do
    "$floor" 127.0.0.1 >/dev/null 2>&1 || true
    "$todsync" 127.0.0.1 >/dev/null 2>&1 || true
done

# The median (s) of each command, in order, one a line; the commands are
# separated by "--" and run in turn, round after round.
medians() {
    "$build/bench/runner" "$runs" -- "$@" >"$work/times"
    sed -n 's/^medians: //p' "$work/times" | tr ' ' '\n'
}
spread() {
    grep -v '^medians:' "$work/times"
}
verdict() {  # value, limit, text
    awk -v v="$1" -v l="$2" -v t="$3" 'BEGIN { printf "  %-52s %s\n", t, (v <= l ? "met" : "MISSED") }'
}

echo "1. A full run against the server"
set -- $(medians "$todsync" 127.0.0.1 -- "$floor" 127.0.0.1 -- net time system -S 127.0.0.1 -N)
spread
run=$1 floor_t=$2 peer=$3
r_floor=$(awk -v a="$run" -v b="$floor_t" 'BEGIN { printf "%.3f", a / b }')
r_peer=$(awk -v a="$run" -v b="$peer" 'BEGIN { printf "%.3f", a / b }')
echo "  todsync/floor $r_floor, todsync/peer $r_peer"
verdict "$r_floor" 1.10 "todsync/floor at most 1.10"
verdict "$r_peer" 1.0 "todsync/peer at most 1.0"
echo

echo "2. Start-up alone: the usage path against a program that does nothing"
set -- $(medians "$todsync" -- true)
spread
usage=$(awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (a - b) * 1000 }')
echo "  the usage path costs $usage ms over true"
verdict "$usage" 5 "under 5 ms over true"
echo

echo "3. Failover: one refused host first"
set -- $(medians "$todsync" 127.0.0.2 127.0.0.1 -- "$todsync" 127.0.0.1)
spread
failover=$(awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (a - b) * 1000 }')
echo "  a refused host adds $failover ms"
verdict "$failover" 10 "under 10 ms for one refused host"
echo

echo "4. Accuracy of the applied time, through the clock seam: the time handed to"
echo "   SetSystemTime minus this machine's clock then (the server's clock: the true error)"
echo "   a. the server (whole seconds), as the record says"
"$build/bench/accuracy" 127.0.0.1 "$runs" 2>/dev/null | sed 's/^/  /' | tee "$work/accuracy"
delay=$(sed -n 's/.*median \([0-9.]*\) us.*/\1/p' "$work/accuracy")
verdict "$delay" 1000 "answer to SetSystemTime under 1 ms"
echo "   b. the server (whole seconds), --precise"
"$build/bench/accuracy" 127.0.0.1 "$runs" --precise 2>/dev/null | sed 's/^/  /' | tee "$work/precise"
median=$(sed -n 's/.*median |error| \([0-9.]*\) ms.*/\1/p' "$work/precise")
largest=$(sed -n 's/.*largest |error| \([0-9.]*\) ms.*/\1/p' "$work/precise")
verdict "$median" 5 "median |error| at most 5 ms"
verdict "$largest" 20 "largest |error| at most 20 ms"
# A stand-in server on 127.0.0.3 that answers with this machine's clock in
# hundredths, read halfway through a round trip of 20 ms.
ip addr add 127.0.0.3/8 dev lo 2>/dev/null || true
python3 "$(dirname "$0")/../tests/hostile-server.py" 127.0.0.3 hundredths:20 >"$work/standin" &
standin=$!
until grep -q ready "$work/standin" 2>/dev/null; do sleep 0.05; done
echo "   c. a server in hundredths, 20 ms away, as the record says"
"$build/bench/accuracy" 127.0.0.3 "$runs" 2>/dev/null | sed 's/^/  /' | head -n 2
echo "   d. the same, --precise"
"$build/bench/accuracy" 127.0.0.3 "$runs" --precise 2>/dev/null | sed 's/^/  /' | tee "$work/hundredths"
median=$(sed -n 's/.*median |error| \([0-9.]*\) ms.*/\1/p' "$work/hundredths")
verdict "$median" 5 "median |error| at most 5 ms"
echo

echo "5. What --precise costs: against the server, and against a refused host"
set -- $(medians "$todsync" --precise 127.0.0.1 -- "$todsync" 127.0.0.1 -- \
    "$todsync" --precise 127.0.0.2 -- "$todsync" 127.0.0.2)
spread
cost=$(awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a - b }')
refused=$(awk -v a="$3" -v b="$4" 'BEGIN { printf "%.2f", (a - b) * 1000 }')
echo "  --precise adds $cost s against the server, $refused ms against a refused host"
verdict "$cost" 1.3 "at most 1.3 s against the server"
verdict "$refused" 5 "under 5 ms (a run's spread) against a refused host"
kill "$standin" 2>/dev/null
echo

echo "6. Peak memory (maximum resident set, median of $runs runs)"
peak() {
    i=0
    while [ $i -lt "$runs" ]; do
        /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1
        i=$((i + 1))
    done | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
m_run=$(peak "$todsync" 127.0.0.1)
m_floor=$(peak "$floor" 127.0.0.1)
r_mem=$(awk -v a="$m_run" -v b="$m_floor" 'BEGIN { printf "%.3f", a / b }')
echo "  todsync $m_run KiB, floor $m_floor KiB: ratio $r_mem"
verdict "$r_mem" 1.2 "at most 1.2 times the floor's"

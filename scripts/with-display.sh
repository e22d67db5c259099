#!/bin/sh
# Runs a command with a display of its own: an Xvfb that ends with it.
#
#   scripts/with-display.sh COMMAND [ARG...]
set -eu
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -f "$fifo"' EXIT INT TERM
read -r display <"$fifo"
DISPLAY=:$display
export DISPLAY
status=0
"$@" || status=$?
exit $status

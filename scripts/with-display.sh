#!/usr/bin/env bash
# Runs a command with an X display: the caller's DISPLAY when set, otherwise a
# private Xvfb (GLX on, 24-bit, room for 2560 x 1440) that is stopped afterwards.
set -euo pipefail
if [ -n "${DISPLAY:-}" ]; then
  exec "$@"
fi
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 2600x1600x24 +extension GLX -nolisten tcp 3>"$fifo" >/tmp/xvfb.$$.log 2>&1 &
xvfb_pid=$!
read -r display_number <"$fifo"
rm -f "$fifo"
cleanup() { kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
export DISPLAY=":$display_number"
"$@"

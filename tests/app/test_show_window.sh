#!/usr/bin/env bash
# As a viewer would: start the player from the repo root, see its 1920 x 1080
# window, press Escape, and expect status 0 with the echoed key.
set -euo pipefail
build=${QUELLIN_BUILD_DIR:-build}
out=$(mktemp)
trap 'rm -f "$out"' EXIT

"$build/quellin" >"$out" &
pid=$!
window=$(timeout 60 xdotool search --sync --onlyvisible --pid "$pid" | head -n 1)
geometry=$(xwininfo -id "$window" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}')
echo "window $window: $geometry"
[ "$geometry" = "1920x1080" ] || { echo "expected a 1920x1080 window"; kill "$pid"; exit 1; }

# Keys go through the XTEST extension to the focused window: synthetic events
# sent to a window directly are ignored by SDL.
# While the show loads its data the window is up but not yet reading events;
# a key that reaches it before the focus settles can be lost, so a window that
# is still running gets the key again, at most three times.
for _ in 1 2 3; do
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key Escape
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null || break
done
if kill -0 "$pid" 2>/dev/null; then echo "still running 10 s after the third Escape"; kill "$pid"; exit 1; fi
status=0
wait "$pid" || status=$?
cat "$out"
[ "$status" -eq 0 ] || { echo "exit status $status, expected 0"; exit 1; }
# The music start writes its result without a line end, so the echo may
# share its line.
grep -q 'KEY: 41$' "$out" || { echo "no 'KEY: 41' line"; exit 1; }

#!/usr/bin/env bash
# Without a display the player must say why it cannot start and exit with 1,
# not crash: with DISPLAY naming an X server that is not there, the line names
# that display (SDL must not move on silently to a driver whose window nobody
# sees), and nothing goes to standard error.
set -uo pipefail
build=${QUELLIN_BUILD_DIR:-build}
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
out=$(DISPLAY=:4242 WAYLAND_DISPLAY= SDL_VIDEODRIVER= timeout 60 "$build/quellin" 2>"$errors")
status=$?
echo "$out"
cat "$errors"
[ "$status" -eq 1 ] || { echo "exit status $status, expected 1"; exit 1; }
grep -q '^TGLWindow::Init - SDL could not initialize! SDL Error: ' <<<"$out" || { echo "no log line"; exit 1; }
grep -q '^The show cannot start: the X display :4242 did not answer' <<<"$out" \
  || { echo "no explanation naming the display"; exit 1; }
[ ! -s "$errors" ] || { echo "output on standard error"; exit 1; }

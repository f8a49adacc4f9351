#!/usr/bin/env bash
# As a viewer would: start the player from the repo root, see the start-up
# dialog centred on the desktop, click the resolution row three times (1280 x
# 720) and the mode row once (Windowed), click Run, see the 1280 x 720 show
# window, press Escape, and expect status 0 with the echoed key.
set -euo pipefail
# The script drives the display's one mouse pointer: give it an X server of its
# own, so tests running beside it cannot move the pointer under it.
. "$(dirname "$0")/../support/own-display.sh"
build=${QUELLIN_BUILD_DIR:-build}
out=$(mktemp)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -f "$out"
}
trap cleanup EXIT
fail() { echo "$1"; cat "$out"; exit 1; }

geometry() { xwininfo -id "$1" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}'; }
position() { xwininfo -id "$1" | awk '/Absolute upper-left X:/{x=$4} /Absolute upper-left Y:/{y=$4} END{print x "," y}'; }

# Rows span y = 30 * row - 26 .. 30 * row + 4 in window pixels; aim at the middle.
click_row() {
  xdotool mousemove --window "$dialog" 190 $((30 * $1 - 11)) click 1
  sleep 0.2  # a few dialog frames of 30 ms
}

"$build/quellin" >"$out" &
pid=$!
dialog=$(timeout 60 xdotool search --sync --onlyvisible --pid "$pid" | head -n 1)
echo "dialog $dialog: $(geometry "$dialog") at $(position "$dialog")"
[ "$(geometry "$dialog")" = "380x210" ] || fail "expected a 380x210 dialog"
read -r root_w root_h < <(xwininfo -root | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w, h}')
[ "$(position "$dialog")" = "$((root_w / 2 - 190)),$((root_h / 2 - 105))" ] || fail "the dialog is not centred"
# The window must stay the one that appeared: a renderer that re-creates it
# would take the GL context's drawable away.
sleep 0.5
[ "$(xdotool search --onlyvisible --pid "$pid" | head -n 1)" = "$dialog" ] || fail "the dialog window was replaced after it appeared"

# Into the dialog first: a click within moments of the window taking focus is
# not taken as a click.
xdotool mousemove --window "$dialog" 190 200
sleep 0.3
click_row 3
click_row 3
click_row 3
click_row 4
click_row 6

# The dialog goes away and the show window comes up; SDL may replace a new
# window once while setting it up, so wait for Start, which lists the MIDI
# devices after the window is final.
for _ in $(seq 1 300); do
  grep -q 'MidiIn::printDeviceNames' "$out" && break
  kill -0 "$pid" 2>/dev/null || fail "the player ended after Run"
  sleep 0.1
done
show=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | tail -n 1 || true)
[ -n "$show" ] || fail "no show window after Run"
echo "show window $show: $(geometry "$show")"
[ "$(geometry "$show")" = "1280x720" ] || fail "expected a 1280x720 show window"

# Escape ends the show; a key sent before the window takes input is lost, so
# it is sent again while the player keeps running. Keys go through XTEST to the
# focused window: SDL ignores synthetic events sent to a window directly.
for attempt in 1 2 3; do
  timeout 10 xdotool windowfocus --sync "$show" 2>/dev/null || true
  xdotool key Escape
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break 2
    sleep 0.1
  done
  echo "still running after Escape (attempt $attempt)"
done
kill -0 "$pid" 2>/dev/null && fail "Escape did not end the show"
status=0
wait "$pid" || status=$?
pid=
cat "$out"
[ "$status" -eq 0 ] || { echo "exit status $status, expected 0"; exit 1; }
# The music start writes its result without a line end, so the echo may
# share its line.
grep -q 'KEY: 41$' "$out" || { echo "no 'KEY: 41' line"; exit 1; }

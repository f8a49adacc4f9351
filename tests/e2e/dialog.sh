# Shared by the end-to-end scripts (sourced, not a test): start the player on
# this display and click through its dialog as a viewer would: the resolution
# row three times (1280 x 720), the mode row once (Windowed), Run.
#   start_player_through_dialog BINARY OUTPUT   sets $pid, $run_clicked (epoch s)
#   wait_for_show_window                         sets $show (window id)
#   end_with_escape                              Escape until the player ends

# Rows span y = 30 * row - 26 .. 30 * row + 4 in window pixels; aim at the middle.
click_row() {
  xdotool mousemove --window "$dialog" 190 $((30 * $1 - 11)) click 1
  sleep 0.2  # a few dialog frames of 30 ms
}

# Run is pressed as a person presses it: the button stays down for a few
# dialog frames, so the dialog closes on the press and the release comes after.
press_run() {
  xdotool mousemove --window "$dialog" 190 $((30 * 6 - 11)) mousedown 1
  sleep 0.2
  xdotool mouseup 1
}

start_player_through_dialog() {
  "$1" >"$2" 2>&1 &
  pid=$!
  dialog=$(timeout 60 xdotool search --sync --onlyvisible --pid "$pid" | head -n 1)
  [ -n "$dialog" ] || { echo "no dialog window"; return 1; }
  # A click within moments of the window taking focus is not taken as a click.
  sleep 0.5
  xdotool mousemove --window "$dialog" 190 200
  sleep 0.3
  click_row 3
  click_row 3
  click_row 3
  click_row 4
  run_clicked=$(date +%s.%N)
  press_run
}

# Start lists the MIDI devices once the show window is final.
wait_for_show_window() {
  local out=$1
  for _ in $(seq 1 600); do
    grep -q 'MidiIn::printDeviceNames' "$out" && break
    kill -0 "$pid" 2>/dev/null || { echo "the player ended after Run"; return 1; }
    sleep 0.1
  done
  show=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | tail -n 1 || true)
  [ -n "$show" ] || { echo "no show window after Run"; return 1; }
}

# A key sent before the window takes input is lost: send it again while the
# player keeps running. Keys go through XTEST to the focused window.
end_with_escape() {
  for _ in 1 2 3 4 5; do
    timeout 10 xdotool windowfocus --sync "$show" 2>/dev/null || true
    xdotool key Escape
    for _ in $(seq 1 100); do
      kill -0 "$pid" 2>/dev/null || return 0
      sleep 0.1
    done
  done
  return 1
}

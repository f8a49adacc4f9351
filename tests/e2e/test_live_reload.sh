#!/usr/bin/env bash
# Shaders reloaded while the show runs, in developer mode (QUELLIN_DEVELOPER=1),
# on a copy of the shaders: the last pass made to write pure green shows in
# the window soon after the save (0.7 to 1.4 s here, screenshot included; the
# bound is 6 s so that a loaded machine does not fail it); an included file saved with a
# syntax error leaves the picture going (the running program stays) and puts
# the error in red in the overlay; fixed, the red goes. The frames are looked
# at through the player's own screenshots (F12, the frame as shown): a screen
# grab from outside takes seconds on a busy machine.
set -euo pipefail
. "$(dirname "$0")/../support/own-display.sh"
. "$(dirname "$0")/player.sh"

# A copy of the shaders to change; the show data as it is.
play_in_scratch newresources
cp -r "$repo/shaders" "$work/"
export QUELLIN_SYNC_LOG=$work/sync.log QUELLIN_DEVELOPER=1
frames() { cat "$QUELLIN_SYNC_LOG" 2>/dev/null | wc -l; }
start_player_through_dialog "$binary" "$out" || fail "dialog"
wait_for_show_window "$out" || fail "show window"
wait_for_frames 3

shot=
# Presses F12 and waits for the player to name the screenshot it wrote.
snap() {
  local before
  before=$(grep -c '^Screenshot: ' "$out" || true)
  xdotool key F12
  for _ in $(seq 1 400); do
    if [ "$(grep -c '^Screenshot: ' "$out" || true)" -gt "$before" ]; then
      shot=$(grep '^Screenshot: ' "$out" | tail -n 1 | sed 's/^Screenshot: //')
      return 0
    fi
    kill -0 "$pid" 2>/dev/null || fail "the player ended"
    sleep 0.05
  done
  fail "no screenshot 20 s after F12"
}
# Mean red, green and blue of the picture's middle, away from the overlay.
middle() { convert "$shot" -crop 600x300+340+250 +repage -format '%[fx:mean.r] %[fx:mean.g] %[fx:mean.b]' info:; }
# Strongly red pixels where the overlay's lines stand.
red_text() {
  convert "$shot" -crop 900x300+0+0 +repage \
    \( -clone 0 -channel R -separate +channel -threshold 75% \) \
    \( -clone 0 -channel G -separate +channel -negate -threshold 60% \) \
    \( -clone 0 -channel B -separate +channel -negate -threshold 60% \) \
    -delete 0 -compose multiply -flatten -format '%[fx:round(mean*w*h)]' info:
}
# Takes screenshots until `test` holds or `limit` seconds have passed since
# `since`; prints the seconds it took.
until_seen() {
  local since=$1 limit=$2 test=$3
  while :; do
    snap
    local now
    now=$(date +%s.%N)
    local took
    took=$(awk -v a="$since" -v b="$now" 'BEGIN{printf "%.2f", b - a}')
    echo "$took s: $shot" >&2
    awk -v t="$took" -v l="$limit" 'BEGIN{exit !(t > l)}' && return 1
    if eval "$test"; then echo "$took"; return 0; fi
  done
}
green() { read -r r g b <<<"$(middle)"; awk -v r="$r" -v g="$g" -v b="$b" 'BEGIN{exit !(g > 0.9 && r < 0.1 && b < 0.1)}'; }
timeout 10 xdotool windowfocus --sync "$show" 2>/dev/null || true

# The last pass writes pure green: the window shows it soon after the save.
snap
green && fail "the picture is green before the change"
sed -i 's|gl_FragColor = vec4(colour, 1.0);|gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0);|' shaders/f_final_intro2.glsl
grep -q 'vec4(0.0, 1.0, 0.0, 1.0)' shaders/f_final_intro2.glsl || fail "the pass's output line was not found to change"
took=$(until_seen "$(date +%s.%N)" 6 green) || fail "the changed pass did not show within 6 s"
echo "changed pass on screen after $took s"

# An included file with a syntax error: the picture goes on, the error shows in red.
cp shaders/noise.glsl "$work/noise.good"
echo 'float broken = ;' >>shaders/noise.glsl
took=$(until_seen "$(date +%s.%N)" 10 '[ "$(red_text)" -gt 100 ]') || fail "no red error line in the overlay"
echo "error line in the overlay after $took s"
before=$(frames)
sleep 1
[ "$(frames)" -gt "$before" ] || fail "the show stopped drawing on a shader that does not build"
snap
green || fail "the running program did not stay"
grep -q 'does not build; the running program stays' "$out" || fail "no line saying the program stays"

# Fixed: the red goes.
cp "$work/noise.good" shaders/noise.glsl
took=$(until_seen "$(date +%s.%N)" 6 '[ "$(red_text)" -lt 10 ]') || fail "the error line stayed after the fix"
echo "error line gone $took s after the fix"

end_with_status_zero
echo "live reload: ok"

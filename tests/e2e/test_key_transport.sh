#!/usr/bin/env bash
# The makers' keyboard transport through real key events, in developer mode
# (QUELLIN_DEVELOPER=1), read from the clock's log (QUELLIN_SYNC_LOG: the
# clock and the music time of every frame): Space holds the clock and the
# music, Right moves both one second on, Space lets them run again, Page
# Down lands on the start of the next window of the timeline.
set -euo pipefail
. "$(dirname "$0")/../support/own-display.sh"
. "$(dirname "$0")/player.sh"
fail() { echo "FAIL: $1"; tail -n 12 "$QUELLIN_SYNC_LOG" 2>/dev/null; tail -n 20 "$out"; exit 1; }

play_in_scratch newresources shaders
export QUELLIN_SYNC_LOG=$work/sync.log QUELLIN_DEVELOPER=1
start_player_through_dialog "$binary" "$out" || fail "dialog"
wait_for_show_window "$out" || fail "show window"
timeout 10 xdotool windowfocus --sync "$show" 2>/dev/null || true

# The clock and the music time of the latest frame.
clock() { tail -n 1 "$QUELLIN_SYNC_LOG" 2>/dev/null | awk '{print $1}'; }
music() { tail -n 1 "$QUELLIN_SYNC_LOG" 2>/dev/null | awk '{print $2}'; }
# Waits up to 10 s for an awk condition on $1 (clock) and $2 (music) of the latest frame.
until_frame() {
  for _ in $(seq 1 200); do
    tail -n 1 "$QUELLIN_SYNC_LOG" 2>/dev/null | awk "{exit !($1)}" && return 0
    kill -0 "$pid" 2>/dev/null || fail "the player ended"
    sleep 0.05
  done
  return 1
}
until_frame '$1 > 2' || fail "the clock did not reach 2 s"

# Space: the clock stands.
xdotool key space
for _ in $(seq 1 200); do
  tail -n 2 "$QUELLIN_SYNC_LOG" | awk 'NR == 1 {t = $1} NR == 2 {exit !($1 == t)}' && break
  sleep 0.05
done
held=$(clock)
held_music=$(music)
frames_before=$(wc -l < "$QUELLIN_SYNC_LOG")
sleep 1.5
[ "$(clock)" = "$held" ] || fail "Space did not hold the clock ($held, then $(clock))"
# The music holds too in every frame, rather than playing on and being pulled back.
tail -n +"$((frames_before + 1))" "$QUELLIN_SYNC_LOG" |
  awk -v a="$held_music" '{d = $2 - a} d > 0.05 || d < -0.05 {print "music at " $2; bad = 1} END {exit bad}' ||
  fail "the music did not hold with the clock at $held_music s"
echo "paused at $held s, music at $(music) s"

# Right: one second on, and the held music is taken there.
xdotool key Right
until_frame "\$1 > $held + 0.99 && \$1 < $held + 1.01" || fail "Right did not move the held clock by 1 s"
until_frame "\$2 > $held + 0.98" || fail "the music did not follow the clock to $held + 1 s (music at $(music))"
echo "Right: clock $(clock) s, music $(music) s"

# Space again: it runs.
xdotool key space
until_frame "\$1 > $held + 1.5" || fail "Space did not let the clock run again"

# Page Down: the start of the next window.
now=$(clock)
next=$(echo "16.85 33.8 50.5 67.9 101.5 108.5 135.3" | tr ' ' '\n' | awk -v t="$now" '$1 > t {print; exit}')
xdotool key Next
landed=
for _ in $(seq 1 200); do
  grep -q "^$(printf '%.4f' "$next") " "$QUELLIN_SYNC_LOG" && landed=yes && break
  sleep 0.05
done
[ -n "$landed" ] || fail "Page Down at $now s did not land on $next s"
echo "Page Down: from $now s to $next s"

for scancode in 44 79 78; do grep -q "^KEY: $scancode\$" "$out" || fail "no 'KEY: $scancode' echo"; done
end_with_status_zero
echo "keyboard transport: ok"

#!/usr/bin/env bash
# The whole show as a viewer sees it: dialog clicked through (1280 x 720,
# Windowed, Run), played until it ends by itself (status 0 once the clock
# passes 154 s), with the loading lines, screenshots at a few moments that are
# not blank, and the picture measured against the sound from the clock's log
# (QUELLIN_SYNC_LOG): the largest and median |ttime - music time| after the
# first 5 s, the frame times, and the time from Run to the first frame.
# Fails when the clock loses the music: further apart than the resync bound
# (0.25 s) and one frame. QUELLIN_SHOW_REPORT=path also writes the figures there, and
# QUELLIN_SHOW_KEEP=folder keeps the screenshots and the clock's log there.
set -euo pipefail
. "$(dirname "$0")/../support/own-display.sh"
. "$(dirname "$0")/player.sh"

export QUELLIN_SYNC_LOG=$work/sync.log
start_player_through_dialog "$binary" "$out" || fail "dialog"
# The first clock step is the first show frame.
for _ in $(seq 1 1200); do
  [ -s "$QUELLIN_SYNC_LOG" ] && break
  kill -0 "$pid" 2>/dev/null || fail "the player ended before its first frame"
  sleep 0.05
done
first_frame=$(date +%s.%N)
[ -s "$QUELLIN_SYNC_LOG" ] || fail "no show frame within 60 s of Run"
startup=$(awk -v a="$run_clicked" -v b="$first_frame" 'BEGIN{printf "%.2f", b - a}')
wait_for_show_window "$out" || fail "show window"

clock() { tail -n 1 "$QUELLIN_SYNC_LOG" | awk '{print int($1)}'; }
# Mean brightness and mean red over green of the window, 0..1.
brightness() { convert "$1" -format '%[fx:mean] %[fx:mean.r] %[fx:mean.g]' info:; }
for moment in 10 40 80 120; do
  while kill -0 "$pid" 2>/dev/null && [ "$(clock)" -lt "$moment" ]; do sleep 0.2; done
  kill -0 "$pid" 2>/dev/null || fail "the player ended before $moment s"
  shot=$work/shot-$moment.png
  import -window "$show" "$shot" 2>/dev/null || fail "no screenshot at $moment s"
  read -r mean red green <<<"$(brightness "$shot")"
  echo "screenshot at $moment s: mean $mean, red $red, green $green"
  awk -v m="$mean" -v r="$red" -v g="$green" 'BEGIN{exit !(m > 0.02 && r > g)}' ||
    fail "the picture at $moment s is blank or has no red"
done

# The show ends by itself after 154 s of clock; allow for slow frames.
for _ in $(seq 1 1200); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the show did not end by itself"
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "exit status $status, expected 0"

grep -q '^Adding\.\. 1$' "$out" || fail "no 'Adding.. 1' line"
[ "$(grep -c '^ParsedSize: ' "$out")" -eq 3 ] || fail "expected 'ParsedSize: ' three times"
grep -q 'Vertex loading: ' "$out" || fail "no 'Vertex loading: ' banner"
grep -q 'Fragment loading: ' "$out" || fail "no 'Fragment loading: ' banner"
last=$(tail -n 1 "$QUELLIN_SYNC_LOG" | awk '{print $1}')
awk -v t="$last" 'BEGIN{exit !(t > 154)}' || fail "the clock ended at $last s, not past 154 s"

if [ -n "${QUELLIN_SHOW_KEEP:-}" ]; then
  mkdir -p "$QUELLIN_SHOW_KEEP"
  cp "$work"/shot-*.png "$QUELLIN_SYNC_LOG" "$QUELLIN_SHOW_KEEP/"
fi

# |ttime - music| and the frame times after the first 5 s of the clock. The
# clock compares its time before this frame's step with the music heard now,
# which is the picture on screen (drawn last frame) against the sound: every
# frame longer or shorter than the one before shows up as that much
# difference, so at a few frames a second the largest difference is set by
# the frame pacing. A difference past 0.25 s seeks the music to the clock.
awk '$1 > 5 {d = $1 - $2; if (d < 0) d = -d; print d}' "$QUELLIN_SYNC_LOG" | sort -g >"$work/drift"
awk '$1 > 5 {print $3}' "$QUELLIN_SYNC_LOG" | sort -g >"$work/dt"
quantile() { awk -v q="$2" '{v[NR] = $1} END{i = int(q * (NR - 1)) + 1; printf "%.1f", v[i] * 1000}' "$1"; }
seeks=$(awk '$1 > 5 {d = $1 - $2; if (d < 0) d = -d; if (d > 0.25) n++} END{print n + 0}' "$QUELLIN_SYNC_LOG")
frames=$(wc -l <"$work/dt")
report=$(cat <<REPORT
$(grep -m 1 '^AudioInit() : ' "$out" || echo "AudioInit() : (no line)")
frames after 5 s: $frames ($(awk '{s += $1} END{printf "%.1f", NR / s}' "$work/dt") fps)
A/V |ttime - music|: median $(quantile "$work/drift" 0.5) ms, p90 $(quantile "$work/drift" 0.9) ms, p99 $(quantile "$work/drift" 0.99) ms, largest $(quantile "$work/drift" 1) ms; frames past 0.25 s (music seeked): $seeks
frame time: median $(quantile "$work/dt" 0.5) ms, p90 $(quantile "$work/dt" 0.9) ms, p99 $(quantile "$work/dt" 0.99) ms, max $(quantile "$work/dt" 1) ms
start-up from Run to the first frame: $startup s
REPORT
)
echo "$report"
[ -n "${QUELLIN_SHOW_REPORT:-}" ] && echo "$report" >"$QUELLIN_SHOW_REPORT"
# A seek realigns the music with the clock's time before the step, so the
# next frame can land a frame-time change away again; beyond the bound plus
# the longest frame the clock has lost the music.
largest=$(quantile "$work/drift" 1)
longest=$(quantile "$work/dt" 1)
awk -v d="$largest" -v f="$longest" 'BEGIN{exit !(d < 250 + f)}' ||
  fail "the clock lost the music: $largest ms apart, more than 250 ms + the longest frame ($longest ms)"
echo "full show: ok"

#!/usr/bin/env bash
# The show on damaged data: a copy of the run-time data with frame files cut
# short, an MP3 that is not one, the title picture missing and two shader files
# missing. The player must come up through the dialog, keep running with a
# clear line for each problem, and end with status 0 on Escape.
set -euo pipefail
. "$(dirname "$0")/../support/own-display.sh"
[ -d newresources/danceexport/009 ] || { echo "no show data: run scripts/make-show-data.sh"; exit 1; }
. "$(dirname "$0")/player.sh"
fail() { echo "FAIL: $1"; cat "$out"; exit 1; }

# The player reads its data relative to the working directory.
cp -r newresources shaders "$work/"
cd "$work"
n=0
for f in newresources/danceexport/009/*.processed; do
  n=$((n + 1))
  if [ $((n % 10)) -eq 0 ]; then truncate -s $(($(stat -c %s "$f") / 2)) "$f"; fi
done
[ "$n" -ge 10 ] || fail "the recording 009 has $n frames, too few to damage"
mp3=newresources/11_velisse_and_the_norrows_-_quellin_and_vessary.mp3
[ -f "$mp3" ] || fail "no music in the show data"
head -c 200000 /dev/zero | tr '\0' 'x' >"$mp3"
rm newresources/velisse.png
rm shaders/f_cloud.glsl shaders/f_final_intro2.glsl

# The clock's log tells when the show's frames run.
export QUELLIN_SYNC_LOG=$work/sync.log
start_player_through_dialog "$binary" "$out" || fail "dialog"
wait_for_show_window "$out" || fail "show window"
for _ in $(seq 1 1200); do
  [ -s "$QUELLIN_SYNC_LOG" ] && break
  kill -0 "$pid" 2>/dev/null || fail "the player ended on damaged data while loading"
  sleep 0.05
done
[ -s "$QUELLIN_SYNC_LOG" ] || fail "no show frame within 60 s"
# A few seconds of show on what is left.
for _ in $(seq 1 40); do
  kill -0 "$pid" 2>/dev/null || fail "the player ended on damaged data"
  sleep 0.1
done
[ "$(wc -l <"$QUELLIN_SYNC_LOG")" -ge 3 ] || fail "the show did not keep drawing frames"
end_with_status_zero

expect() { grep -qF -- "$1" "$out" || fail "no line saying: $2"; }
expect 'are cut short or unreadable' "frame files are damaged"
expect "SampleLoad() : cannot play newresources//${mp3#newresources/}" "the music cannot be played"
expect 'cannot read the picture newresources//velisse.png' "the picture is missing"
expect 'ERROR FILE NOT FOUND' "a shader file is missing"
grep -A3 "Fragment loading: shaders/f_cloud.glsl" "$out" | grep -q "ERROR FILE NOT FOUND" || fail "the missing shader is not named"
echo "damaged data: every problem reported, status 0"
cat "$out"

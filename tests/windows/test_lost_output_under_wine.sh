#!/usr/bin/env bash
# The music through Wine's WASAPI output while the sound server behind it is
# killed and started again: one line says the device was lost, the position
# runs on in real time through the outage, the output is opened again by
# itself once the server is back (one more line), and the position goes on
# from where it ran to. Needs the private sound server of
# scripts/test-windows.sh (tests/support/with-sound-server.sh).
set -euo pipefail
build=$(realpath "${QUELLIN_BUILD_DIR:-build-windows}")
out=$(mktemp)
trap 'rm -f "$out"' EXIT
pactl info >/dev/null 2>&1 || { echo "no sound server: run under tests/support/with-sound-server.sh"; exit 1; }
fail() { echo "FAIL: $1"; cat "$out"; exit 1; }

QUELLIN_AUDIO=wasapi scripts/with-wine.sh "$build/music_position_log.exe" 16 >"$out" &
player=$!
# The outage starts once the music has played for 4 s, and lasts 4 s.
for _ in $(seq 1 600); do awk '$1 + 0 >= 4 { found = 1 } END { exit !found }' "$out" && break; sleep 0.1; done
tests/support/sound-server.sh kill
sleep 4
tests/support/sound-server.sh start
wait "$player" || fail "the player ended with status $?"

grep -q "^AudioInit() : WASAPI" "$out" || fail "the music did not start on WASAPI"
grep -q "^AudioWatch() : lost the WASAPI device" "$out" || fail "no line said the device was lost"
grep -q "^AudioWatch() : playing again" "$out" || fail "the output was not opened again"
# The position keeps its distance to real time, from before the outage to
# its end (within 1 % of the time between), and plays on after it.
awk '
  /^AudioWatch\(\) : lost/ { lost = 1; next }
  /^AudioWatch\(\) : playing again/ { back = 1; next }
  NF == 2 && $1 ~ /^[0-9.]+$/ {
    if (!lost) { t0 = $1; p0 = $2 }
    else if (!back) { t1 = $1; p1 = $2 }
    else { t2 = $1; p2 = $2 }
  }
  END {
    drift = (p1 - p0) - (t1 - t0)
    printf "through the outage: %.2f s of music in %.2f s; after it: %.2f s in %.2f s\n", p1 - p0, t1 - t0, p2 - p1, t2 - t1
    if (t1 - t0 < 2 || drift < -0.01 * (t1 - t0) || drift > 0.01 * (t1 - t0)) exit 1
    if (t2 - t1 < 1 || p2 - p1 < 0.5 * (t2 - t1)) exit 1
  }' "$out" || fail "the position did not run on in real time"

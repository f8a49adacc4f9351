#!/usr/bin/env bash
# The camera file as a viewer leaves it: dialog clicked through, a few frames
# of show, Escape. The show saves the camera once more as it ends, whole, and
# the press on Run does not reach the show as a held left button: the camera's
# left-drag latch (byte 176 of "FreeCam.bin") is 0.
set -euo pipefail
. "$(dirname "$0")/../support/own-display.sh"
. "$(dirname "$0")/player.sh"

# A working directory of its own, where the camera file is written.
play_in_scratch newresources shaders
export QUELLIN_SYNC_LOG=$work/sync.log
start_player_through_dialog "$binary" "$out" || fail "dialog"
wait_for_show_window "$out" || fail "show window"
wait_for_frames 3
rm -f FreeCam.bin  # the save at the end must make it
end_with_status_zero

[ -f FreeCam.bin ] || fail "no FreeCam.bin saved as the show ended"
size=$(stat -c %s FreeCam.bin)
[ "$size" -eq 292 ] || fail "FreeCam.bin has $size bytes, not 292"
latch=$(od -An -tu1 -j176 -N1 FreeCam.bin | tr -d ' ')
[ "$latch" = 0 ] || fail "the left-drag latch (byte 176) is $latch: the press on Run reached the show"
echo "camera file: 292 bytes saved at the end, left latch 0"

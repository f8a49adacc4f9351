#!/usr/bin/env bash
# The offline renderer as a user runs it: PNG frames of a short range, an MP4
# with the music, and a clear refusal of a wrong command line.
set -euo pipefail
build=${QUELLIN_BUILD_DIR:-build}
capture="$build/tools/capture/quellin-capture"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

status=0
"$capture" --from 5 --to 4 --png "$out/none" 2>"$out/err" || status=$?
[ "$status" -eq 2 ] || { echo "a backwards range should exit with 2, got $status"; exit 1; }
grep -q -- "--to must be after --from" "$out/err" || { echo "no reason given:"; cat "$out/err"; exit 1; }

"$capture" --from 5 --to 5.1 --fps 20 --size 160x90 --png "$out/png" >"$out/log"
ls "$out/png"
[ "$(ls "$out/png" | wc -l)" -eq 2 ] || { echo "expected 2 frames"; exit 1; }
size=$(identify -format '%wx%h' "$out/png/frame_00001.png")
[ "$size" = "160x90" ] || { echo "frame is $size"; exit 1; }

"$capture" --from 20 --to 20.5 --fps 10 --size 160x90 --mp4 "$out/clip.mp4" >"$out/log"
ffprobe -v error -show_entries stream=codec_type,codec_name,width,height -show_entries format=duration \
  -of default=noprint_wrappers=1 "$out/clip.mp4" >"$out/probe"
cat "$out/probe"
grep -q '^codec_name=h264$' "$out/probe" || { echo "no H.264 video"; exit 1; }
grep -q '^width=160$' "$out/probe" || { echo "wrong width"; exit 1; }
duration=$(sed -n 's/^duration=//p' "$out/probe")
awk -v d="$duration" 'BEGIN { exit !(d > 0.4 && d < 0.7) }' || { echo "duration $duration, expected 0.5 s"; exit 1; }
if [ -f "newresources/11_velisse_and_the_norrows_-_quellin_and_vessary.mp3" ]; then
  grep -q '^codec_type=audio$' "$out/probe" || { echo "the music is missing from the clip"; exit 1; }
fi
echo "capture command: ok"

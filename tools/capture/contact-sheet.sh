#!/usr/bin/env bash
# Renders the show at the contact-sheet times and lays the frames out in one
# PNG, labelled with their times: what the show looks like, at a glance.
#   tools/capture/contact-sheet.sh [OUTPUT.png] [WxH]   (default docs/contact-sheet.png, 640x360)
# Run from the repository root with the player built and the show data made.
set -euo pipefail
out=${1:-docs/contact-sheet.png}
size=${2:-640x360}
build=${QUELLIN_BUILD_DIR:-build}
times=5,12,20,30,40,55,70,90,105,115,125,140,150
frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT

run() { if [ -n "${DISPLAY:-}" ]; then "$@"; else scripts/with-display.sh "$@"; fi; }
run "$build/tools/capture/quellin-capture" --at "$times" --size "$size" --png "$frames" --quiet >/dev/null

labelled=()
for f in "$frames"/t_*.png; do
  t=$(basename "$f" .png)
  t=${t#t_}
  labelled+=(-label "$(printf '%.0f s' "$t")" "$f")
done
mkdir -p "$(dirname "$out")"
montage "${labelled[@]}" -tile 4x -geometry 480x270+6+6 -background '#141414' -fill '#d8d8d8' -font DejaVu-Sans -pointsize 16 -depth 8 "$out"
echo "contact sheet: $out"

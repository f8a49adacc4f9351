#!/usr/bin/env bash
# Frame time of the Windows build under Wine against the Linux build: the same
# frame_times program of each (render, swap, finish per frame) at the same
# size on the same display and driver, run alternately, Linux first:
#   bench/frame/windows-against-linux.sh [WxH] [ROUNDS] [FRAMES]
# (1280x720, 4 rounds, 16 frames a run). Needs build/ (the Linux build with
# the benchmarks), build-windows/ (scripts/build-windows.sh) and the show
# data (scripts/make-show-data.sh). Prints each run, then the median and p90
# of all frames of each build, wall clock and CPU time of the process, and
# their ratios (Windows / Linux), then the ratio of each round's run medians.
set -euo pipefail
cd "$(dirname "$0")/../.."
size=${1:-1280x720}
rounds=${2:-4}
frames=${3:-16}
linux=${QUELLIN_LINUX_BUILD_DIR:-build}/bench/frame/frame_times
windows=${QUELLIN_WINDOWS_BUILD_DIR:-build-windows}/frame_times.exe
for program in "$linux" "$windows"; do
  [ -x "$program" ] || [ -f "$program" ] || { echo "missing $program" >&2; exit 1; }
done
if [ -z "${DISPLAY:-}" ]; then
  exec scripts/with-display.sh "$0" "$@"
fi
work=$(mktemp -d)
# Wine's server and desktop leave before the display does.
export WINEPREFIX=${WINEPREFIX:-/tmp/quellin-wine-$(id -u)}
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT

run() {  # BUILD ROUND
  local out="$work/$1.$2"
  if [ "$1" = linux ]; then
    "$linux" "$size" "$frames" >"$out"
  else
    scripts/with-wine.sh "$windows" "$size" "$frames" | tr -d '\r' >"$out"
  fi
  grep '^frame ' "$out" | cut -d' ' -f2 >>"$work/$1.all"
  grep '^frame ' "$out" | cut -d' ' -f6 >>"$work/$1.cpu"
  grep '^frames ' "$out" | cut -d' ' -f4 >>"$work/$1.runs"
  printf '%-7s run %d: %s\n' "$1" "$2" "$(grep '^frames ' "$out")"
  if [ "$2" = 1 ]; then
    printf '%-7s %s; %s\n' "$1" "$(grep -o "renderer: .*" "$out")" "$(grep '^picture' "$out")"
  fi
}

echo "$size, $rounds rounds of $frames frames each, alternating (load average $(cut -d' ' -f1-3 /proc/loadavg))"
for round in $(seq 1 "$rounds"); do
  run linux "$round"
  run windows "$round"
done
stats() { sort -g "$1" | awk '{ v[NR] = $1 } END { m = v[int((NR - 1) * 0.5 + 1.5)]; p = v[int((NR - 1) * 0.9 + 1.5)]; printf "%d %.1f %.1f", NR, m, p }'; }
read -r ln lm lp <<<"$(stats "$work/linux.all")"
read -r wn wm wp <<<"$(stats "$work/windows.all")"
read -r _ lcm lcp <<<"$(stats "$work/linux.cpu")"
read -r _ wcm wcp <<<"$(stats "$work/windows.cpu")"
printf 'linux:   %d frames, wall median %.1f ms, p90 %.1f ms; CPU median %.1f ms, p90 %.1f ms\n' "$ln" "$lm" "$lp" "$lcm" "$lcp"
printf 'windows: %d frames, wall median %.1f ms, p90 %.1f ms; CPU median %.1f ms, p90 %.1f ms\n' "$wn" "$wm" "$wp" "$wcm" "$wcp"
awk -v lm="$lm" -v lp="$lp" -v wm="$wm" -v wp="$wp" -v lcm="$lcm" -v lcp="$lcp" -v wcm="$wcm" -v wcp="$wcp" \
  'BEGIN { printf "windows / linux: wall median %.2fx, p90 %.2fx; CPU median %.2fx, p90 %.2fx (target at most 1.2x)\n",
           wm / lm, wp / lp, wcm / lcm, wcp / lcp }'
# Load from other work comes and goes over seconds: each Windows run against
# the Linux run just before it is the steadier wall-clock figure.
paste "$work/linux.runs" "$work/windows.runs" | awk '{ printf "%.2f\n", $2 / $1 }' >"$work/paired"
pm=$(sort -g "$work/paired" | awk '{ v[NR] = $1 } END { printf "%.2f", v[int((NR - 1) * 0.5 + 1.5)] }')
printf 'windows / linux, run medians paired by round: %s; median %.2fx\n' "$(tr '\n' ' ' <"$work/paired")" "$pm"

#!/usr/bin/env bash
# Opens N show windows on one display, each in a process of its own, P at a
# time, while C other X clients open and close connections to the same display
# without pause and L busy loops keep the cores loaded; prints how many
# windows failed and the lines they printed.
#   bench/window/stress.sh [--probe PATH] [N [P [C [L]]]]     (defaults 300 1 1 1)
# Runs under a private Xvfb when DISPLAY is unset.
set -euo pipefail
cd "$(dirname "$0")/../.."
probe=build/bench/window/window_probe
if [ "${1:-}" = --probe ]; then probe=$2; shift 2; fi
n=${1:-300} parallel=${2:-1} churners=${3:-1} loops=${4:-1}
if [ -z "${DISPLAY:-}" ]; then exec scripts/with-display.sh "$0" --probe "$probe" "$n" "$parallel" "$churners" "$loops"; fi
[ -x "$probe" ] || { echo "stress.sh: $probe is not built"; exit 1; }

work=$(mktemp -d)
load=()
stop_load() { for p in "${load[@]}"; do kill -KILL "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap stop_load EXIT
for _ in $(seq "$loops"); do (while :; do :; done) & load+=($!); disown; done
for _ in $(seq "$churners"); do "$probe" --churn 1000000 & load+=($!); disown; done

start=$(date +%s.%N)
seq "$n" | xargs -P "$parallel" -I{} sh -c '"$1" >"$2/{}.out" 2>&1 || touch "$2/{}.failed"' _ "$probe" "$work"
seconds=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN{printf "%.0f", b - a}')
failed=$(find "$work" -name '*.failed' | wc -l)
echo "windows: $n ($parallel at a time, $churners X clients reconnecting without pause, $loops busy loops, $seconds s): $failed failed"
if [ "$failed" -gt 0 ]; then
  for f in "$work"/*.failed; do cat "${f%.failed}.out"; done | sort | uniq -c | sort -rn
fi

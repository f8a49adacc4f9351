#!/usr/bin/env bash
# The position the music back end reports against the sound as it leaves a
# real sound server (PulseAudio, null sink, recorded from its monitor), on
# each output path: the server's native protocol at its default and at a long
# latency (200 ms), and ALSA through the server's plugin. Clicks every half
# second, a seek back in the middle. Fails when an offset passes 30 ms or the
# back end did not play through the path asked for.
set -euo pipefail
cd "$(dirname "$0")/../.."
tool=${QUELLIN_BUILD_DIR:-build}/bench/sound/heard_offsets
check() {
  local label=$1 expected=$2
  shift 2
  echo "== $label"
  out=$(env "$@" tests/support/with-sound-server.sh "$tool" --seconds 7 --seek-at 4 --seek-to 1.1 --fail-above-ms 30) ||
    { echo "$out"; echo "FAIL: $label"; exit 1; }
  echo "$out"
  grep -q "^AudioInit() : $expected" <<<"$out" || { echo "FAIL: $label did not play through the $expected"; exit 1; }
}
check "sound server, default latency" "sound server" QUELLIN_AUDIO=server
check "sound server, PULSE_LATENCY_MSEC=200" "sound server" QUELLIN_AUDIO=server PULSE_LATENCY_MSEC=200
check "ALSA through the server's plugin" "ALSA device" QUELLIN_AUDIO=alsa
echo "heard position: ok"

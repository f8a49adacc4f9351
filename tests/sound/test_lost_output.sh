#!/usr/bin/env bash
# Lost output, same show: a private sound server killed mid-show and started
# again on the same socket, heard through the server's stream and through
# ALSA's plugin to it, the server away for 5 s. The show's own clock step
# meets it (sound_faults --check): over the outage the music runs on in real
# time and the clock with it (a frozen position slowed the clock by 3 %);
# until the music is heard again the clock seeks it at most once, no thread
# of the back end keeps a core busy and the frame's audio calls stay short;
# the music is heard at the sink within 5 s of the server's return, in step
# with the position. The back end says once that the output was lost and
# once that it plays again.
set -euo pipefail
cd "$(dirname "$0")/../.."
tool=${QUELLIN_BUILD_DIR:-build}/bench/sound/sound_faults
check() {
  local label=$1 kind=$2
  shift 2
  echo "== $label"
  out=$(env "$@" scripts/with-display.sh tests/support/with-sound-server.sh \
    "$tool" --seconds 15 --at 3.5 kill --at 8.5 start --check 2>&1) || { echo "$out"; echo "FAIL: $label"; exit 1; }
  echo "$out"
  [ "$(grep -c "^AudioWatch() : lost the $kind (" <<<"$out")" -eq 1 ] ||
    { echo "FAIL: $label: not one line saying the $kind was lost"; exit 1; }
  [ "$(grep -c "^AudioWatch() : playing again at [0-9.]* s through $kind" <<<"$out")" -eq 1 ] ||
    { echo "FAIL: $label: not one line saying the $kind plays again"; exit 1; }
}
check "the sound server's stream" "sound server" QUELLIN_AUDIO=server
check "ALSA through the server's plugin" "ALSA device" QUELLIN_AUDIO=alsa
echo "lost output: ok"

#!/usr/bin/env bash
# A seek the back end refuses (past the end of the track) changes nothing
# audible: asked every frame for 6 s while the show's clock runs, through a
# private sound server, the music does not jump ahead (a drop of the queued
# sound at each moved it on by more than the time itself), and the clicks
# heard at the sink stay where the position says (sound_faults
# --seek-past-end --check).
set -euo pipefail
cd "$(dirname "$0")/../.."
tool=${QUELLIN_BUILD_DIR:-build}/bench/sound/sound_faults
out=$(QUELLIN_AUDIO=server scripts/with-display.sh tests/support/with-sound-server.sh \
  "$tool" --seconds 6 --seek-past-end --check 2>&1) || { echo "$out"; echo "FAIL: refused seeks"; exit 1; }
echo "$out"
echo "refused seeks: ok"

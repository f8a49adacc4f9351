#!/usr/bin/env bash
# The music's position as the Windows build reports it through WASAPI under
# Wine, against the clicks as they leave the private sound server's null sink:
# the Linux build's heard_offsets records the sink and runs the Windows
# click_player, a few seconds with a seek back. Fails when the clicks did not
# go through WASAPI, the position did not read the seek's place at once, or an
# offset passes 40 ms (on this machine all stay within 1 to 25 ms; a position
# of the frames handed over instead of those heard is 50 ms or more ahead:
# bench/README.md "Heard position under Wine"). Skipped
# without the Linux build's benchmarks (QUELLIN_LINUX_BUILD_DIR, default build/).
set -euo pipefail
build=$(realpath "${QUELLIN_BUILD_DIR:-build-windows}")
tool=${QUELLIN_LINUX_BUILD_DIR:-build}/bench/sound/heard_offsets
[ -x "$tool" ] || { echo "no $tool: build the Linux build with its benchmarks first"; exit 77; }
pactl info >/dev/null 2>&1 || { echo "no sound server: run under tests/support/with-sound-server.sh"; exit 1; }
work=$(mktemp -d)
# A Wine prefix of its own, a copy of the shared one where that is made; its
# server ends with the test.
shared=/tmp/quellin-wine-$(id -u)
[ -f "$shared/system.reg" ] && cp -a "$shared" "$work/prefix"
export WINEPREFIX=$work/prefix
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT

out=$(QUELLIN_AUDIO=wasapi "$tool" --seconds 6 --seek-at 3 --seek-to 1.1 --fail-above-ms 40 \
  --player scripts/with-wine.sh "$build/click_player.exe" 2>&1 | tr -d '\r') ||
  { echo "$out"; echo "FAIL: the heard position through WASAPI"; exit 1; }
echo "$out"
grep -q "^AudioInit() : WASAPI" <<<"$out" || { echo "FAIL: the clicks did not play through WASAPI"; exit 1; }

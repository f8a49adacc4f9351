#!/usr/bin/env bash
# quellin.exe under Wine as a viewer plays it, started from another folder
# than its own (as a shortcut may): its own folder, which holds the show's
# files, becomes the working directory. The dialog clicked through
# (1280 x 720, Windowed, Run), some seconds of show whose frames are not black
# (screenshots of the display, kept with QUELLIN_SHOTS=DIR), the music reaching
# the sound server's null sink through Wine's sound output, Escape ending it
# with status 0, and FreeCam.bin written. Needs a sound server beside it
# (scripts/test-windows.sh runs the suite under tests/support/with-sound-server.sh).
set -euo pipefail
. "$(dirname "$0")/../support/own-display.sh"
build=$(realpath "${QUELLIN_BUILD_DIR:-build-windows}")
repo=$PWD
work=$(mktemp -d)
out=$work/output
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $1"; tail -n 40 "$out"; exit 1; }
. "$repo/tests/e2e/dialog.sh"

[ -d "$repo/newresources/danceexport/009" ] || { echo "no show data: run scripts/make-show-data.sh"; exit 1; }
pactl info >/dev/null 2>&1 || { echo "no sound server: run under tests/support/with-sound-server.sh"; exit 1; }
ln -s "$repo/newresources" "$repo/shaders" "$work/"
cp "$build/quellin.exe" "$build"/*.dll "$work/"
cd "$work"
mkdir elsewhere
cat >play.sh <<EOF
#!/usr/bin/env bash
cd elsewhere
exec "$repo/scripts/with-wine.sh" "$work/quellin.exe"
EOF
chmod +x play.sh

start_player_through_dialog ./play.sh "$out" || fail "dialog"
wait_for_show_window "$out" || fail "show window"
for _ in $(seq 1 1200); do grep -q "^AudioInit() : " "$out" && break; sleep 0.1; done
grep -q "^AudioInit() : WASAPI shared mode" "$out" || fail "the music is not played through WASAPI"

# The music reaches the null sink: a stream plays into it, and its monitor is not silent.
sleep 6
pactl list short sink-inputs | grep -q . || fail "no stream plays into the sound server"
timeout 2 parecord --raw --format=s16le --channels=1 --rate=8000 -d @DEFAULT_MONITOR@ >"$work/monitor.raw" 2>/dev/null || true
level=$(od -An -v -td2 -w2 "$work/monitor.raw" | awk '{ s += ($1 < 0 ? -$1 : $1) } END { print int(s / (NR ? NR : 1)) }')
[ "${level:-0}" -gt 50 ] || fail "the sink's monitor is silent (mean level ${level:-0})"

# Frames that are not black, a few seconds apart.
for n in 1 2 3; do
  import -window root "$work/shot$n.png"
  mean=$(convert "$work/shot$n.png" -colorspace gray -format '%[fx:int(mean*1000)]' info:)
  [ "$mean" -gt 5 ] || fail "screenshot $n is black (mean $mean / 1000)"
  if [ -n "${QUELLIN_SHOTS:-}" ]; then mkdir -p "$QUELLIN_SHOTS" && cp "$work/shot$n.png" "$QUELLIN_SHOTS/"; fi
  sleep 4
done

rm -f FreeCam.bin
end_with_escape || fail "Escape did not end the show"
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "exit status $status, expected 0"
[ "$(stat -c %s FreeCam.bin 2>/dev/null || echo 0)" -eq 292 ] || fail "no 292-byte FreeCam.bin in the program's folder"
[ ! -e elsewhere/FreeCam.bin ] || fail "FreeCam.bin was written where the program was started from"
grep '^AudioInit() : ' "$out"
echo "show under Wine: dialog, WASAPI music at level $level, frames not black, Escape status 0, FreeCam.bin written"

#!/usr/bin/env bash
# The release zip as a viewer gets it, under Wine: dist/quellin-windows-x64.zip
# (scripts/package-windows.sh) unpacked into an empty folder of a fresh Wine
# prefix, with nothing of the build machine on Wine's search path. Then, as
# the viewer does it and each started from another folder (as a shortcut may):
#   the decoder kit alone: a program built on its header and exports decodes
#   a mesh its crt-tool.exe encodes;
#   quellin.exe without the show's data says so in a box that names
#   quellin-showgen.exe, and ends;
#   quellin-showgen.exe without arguments makes the data in its own folder;
#   quellin.exe: the dialog clicked through (1280 x 720, Windowed, Run), 24 s
#   and more of show whose frames are not black and change (screenshots of
#   the show window, kept with QUELLIN_SHOTS=DIR), the music through WASAPI
#   reaching the sound server's null sink, Escape ending it with status 0,
#   FreeCam.bin written in the program's folder.
# Needs a sound server beside it (scripts/test-windows.sh runs the suite
# under tests/support/with-sound-server.sh, after making the zip).
set -euo pipefail
. "$(dirname "$0")/../support/own-display.sh"
repo=$PWD
zip=$repo/dist/quellin-windows-x64.zip
build=$(realpath "${QUELLIN_BUILD_DIR:-build-windows}")
work=$(mktemp -d)
out=$work/output
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $1"; tail -n 40 "$out"; exit 1; }
. "$repo/tests/e2e/dialog.sh"

[ -f "$zip" ] || { echo "no $zip: run scripts/package-windows.sh"; exit 1; }
[ "$zip" -nt "$build/quellin.exe" ] || { echo "$zip is older than the build: run scripts/package-windows.sh"; exit 1; }
pactl info >/dev/null 2>&1 || { echo "no sound server: run under tests/support/with-sound-server.sh"; exit 1; }

mkdir "$work/viewer" "$work/elsewhere"
unzip -q "$zip" -d "$work/viewer"
show_dir=$work/viewer/quellin-windows-x64
touch "$out"
export WINEPREFIX=$work/prefix WINEPATH=
# The programs of the unpacked folder, each started from another folder.
for program in quellin quellin-showgen; do
  cat >"$work/$program.sh" <<EOF
#!/usr/bin/env bash
cd "$work/elsewhere"
exec "$repo/scripts/with-wine.sh" "$show_dir/$program.exe"
EOF
  chmod +x "$work/$program.sh"
done

# The decoder kit stands alone: an import library made from its crt.def (as
# another compiler's tools make theirs), the C example built against that and
# its crt.h, run in the kit's folder on a mesh its crt-tool.exe encodes there.
kit=$show_dir/decoder
printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\n' >"$kit/tetra.obj"
x86_64-w64-mingw32-dlltool -d "$kit/crt.def" -l "$work/crt-from-def.a"
x86_64-w64-mingw32-gcc -std=c99 -Wall -Werror -I"$kit" docs/examples/decode.c "$work/crt-from-def.a" -o "$kit/decode.exe"
(cd "$kit" && "$repo/scripts/with-wine.sh" crt-tool.exe encode tetra.obj tetra.crt && "$repo/scripts/with-wine.sh" decode.exe tetra.crt) >"$out" 2>&1 ||
  fail "the decoder kit's crt-tool.exe and a program built on its crt.def did not decode a mesh"
grep -q "12 vertices, 4 triangles" "$out" || fail "the decoder kit decoded the wrong mesh"
rm "$kit/tetra.obj" "$kit/tetra.crt" "$kit/decode.exe"

# Without the data, started as a double-click starts it (a console of its
# own, which the player hides): a message box says what is missing and names
# the generator; Enter closes it and the player ends with status 1.
(cd "$work/elsewhere" && exec "$repo/scripts/with-wine.sh" start /wait /unix "$show_dir/quellin.exe") >"$out" 2>&1 &
pid=$!
box=$(timeout 60 xdotool search --sync --onlyvisible --name '^Quellin and Vessary$' | head -n 1 || true)
[ -n "$box" ] || fail "no message box about the missing data"
sleep 0.5
if [ -n "${QUELLIN_SHOTS:-}" ]; then mkdir -p "$QUELLIN_SHOTS" && import -window "$box" "$QUELLIN_SHOTS/missing-data.png"; fi
for _ in 1 2 3 4 5; do
  timeout 10 xdotool windowfocus --sync "$box" 2>/dev/null || true
  xdotool key Return
  for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break 2; sleep 0.1; done
done
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 1 ] || fail "without its data the player ended with status $status, expected 1"

# The data, made by the generator in the zip.
started=$(date +%s)
"$work/quellin-showgen.sh" </dev/null >"$out" 2>&1 || fail "quellin-showgen.exe failed"
grep -q "show's data is ready" "$out" || fail "quellin-showgen.exe did not say the data is ready"
[ -d "$show_dir/newresources/danceexport/009" ] || fail "no show data in the program's folder"
[ ! -e "$work/elsewhere/newresources" ] || fail "the show data was made where the generator was started from"
echo "quellin-showgen.exe made the show's data in $(($(date +%s) - started)) s"

start_player_through_dialog "$work/quellin.sh" "$out" || fail "dialog"
wait_for_show_window "$out" || fail "show window"
for _ in $(seq 1 1200); do grep -q "^AudioInit() : " "$out" && break; sleep 0.1; done
grep -q "^AudioInit() : WASAPI shared mode" "$out" || fail "the music is not played through WASAPI"
shown=$(date +%s)  # the music starts with the show's first frame

# Frames of the show window at four moments, 3 to 24 s into the show: none
# black, each different from the one before. The music reaches the null sink: a stream
# plays into it, and its monitor is not silent.
for n in 1 2 3 4; do
  wait_s=$((shown + 7 * n - 4 - $(date +%s)))
  [ "$wait_s" -gt 0 ] && sleep "$wait_s"
  kill -0 "$pid" 2>/dev/null || fail "the show ended after $(($(date +%s) - shown)) s"
  import -window "$show" "$work/shot$n.png"
  mean=$(convert "$work/shot$n.png" -colorspace gray -format '%[fx:int(mean*1000)]' info:)
  [ "$mean" -gt 5 ] || fail "screenshot $n is black (mean $mean / 1000)"
  change=
  if [ "$n" -gt 1 ]; then
    change=$(compare -metric RMSE "$work/shot$((n - 1)).png" "$work/shot$n.png" null: 2>&1 | sed 's/.*(\(.*\))/\1/' || true)
    awk -v c="$change" 'BEGIN { exit !(c > 0.01) }' || fail "screenshot $n hardly differs from the one before (RMSE $change)"
  fi
  echo "screenshot $n at $(($(date +%s) - shown)) s: mean $mean / 1000${change:+, RMSE $change from the one before}"
  if [ "$n" -eq 2 ]; then
    pactl list short sink-inputs | grep -q . || fail "no stream plays into the sound server"
    timeout 2 parecord --raw --format=s16le --channels=1 --rate=8000 -d @DEFAULT_MONITOR@ >"$work/monitor.raw" 2>/dev/null || true
    level=$(od -An -v -td2 -w2 "$work/monitor.raw" | awk '{ s += ($1 < 0 ? -$1 : $1) } END { print int(s / (NR ? NR : 1)) }')
    [ "${level:-0}" -gt 50 ] || fail "the sink's monitor is silent (mean level ${level:-0})"
  fi
  if [ -n "${QUELLIN_SHOTS:-}" ]; then mkdir -p "$QUELLIN_SHOTS" && cp "$work/shot$n.png" "$QUELLIN_SHOTS/"; fi
done

rm -f "$show_dir/FreeCam.bin"
end_with_escape || fail "Escape did not end the show"
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "exit status $status, expected 0"
[ "$(stat -c %s "$show_dir/FreeCam.bin" 2>/dev/null || echo 0)" -eq 292 ] || fail "no 292-byte FreeCam.bin in the program's folder"
[ ! -e "$work/elsewhere/FreeCam.bin" ] || fail "FreeCam.bin was written where the program was started from"
grep '^AudioInit() : ' "$out"
echo "release zip under Wine: data made, dialog, WASAPI music at level $level, frames not black and changing, Escape status 0, FreeCam.bin written"

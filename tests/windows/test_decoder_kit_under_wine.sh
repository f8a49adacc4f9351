#!/usr/bin/env bash
# The decoder kit under Wine against the Linux build, on the seed streams,
# meshes encoded from them and the damaged streams of tests/crt/regressions:
# - crt-tool.exe writes the same seed streams, encodes the same bytes,
#   describes and decodes them as Linux's crt-tool does (same bytes, same
#   text, same statuses and messages on the damaged ones);
# - a program that loads quellin.exe as a library and decodes through its
#   three exports gets the arrays libcrt.so gives the same program on Linux;
# - docs/examples/decode.c, built against crt.dll's import library, prints
#   what it prints on Linux, and fails where and as it fails there.
# Each Windows program runs from a folder holding only the build's programs and
# DLLs, as a release folder does. The Linux build is QUELLIN_LINUX_BUILD_DIR
# (default build/); without it there is nothing to compare with (skipped).
set -euo pipefail
build=$(realpath "${QUELLIN_BUILD_DIR:-build-windows}")
linux=${QUELLIN_LINUX_BUILD_DIR:-build}
if [ ! -x "$linux/crt-tool" ] || [ ! -f "$linux/libcrt.so" ]; then
  echo "no Linux build with crt-tool and libcrt.so in '$linux' (set QUELLIN_LINUX_BUILD_DIR): nothing to compare with"
  exit 77
fi
linux=$(realpath "$linux")
repo=$PWD
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
on_wine() { "$repo/scripts/with-wine.sh" "$@"; }
# Standard output and error of a Windows program, without the carriage returns.
unix_text() { tr -d '\r' <"$1" >"$1.txt" && mv "$1.txt" "$1"; }

kit=$work/kit
mkdir -p "$kit" "$work/linux" "$work/windows"
cp "$build"/{quellin,crt-tool,decoder_loader,crt-decode-example}.exe "$build"/*.dll "$kit/"
cc -O2 -o "$work/decoder_loader" tests/windows/tools/decoder_loader.c -ldl
cc -O2 -I crt/include -o "$work/crt-decode-example" docs/examples/decode.c -L"$linux" -lcrt -Wl,-rpath,"$linux"
cd "$work"

# The same seed streams, byte for byte.
"$linux/crt-tool" seeds linux/seeds >/dev/null
on_wine "$kit/crt-tool.exe" seeds windows/seeds >/dev/null
diff -r linux/seeds windows/seeds >/dev/null || fail "crt-tool.exe seeds differ from Linux's"

# Meshes to encode: a cube of quads, and each seed mesh decoded to PLY.
mkdir meshes
cat >meshes/cube.obj <<'OBJ'
v 0 0 0
v 1 0 0
v 1 1 0
v 0 1 0
v 0 0 1
v 1 0 1
v 1 1 1
v 0 1 1
vt 0 0
vt 1 1
f 1/1 4/2 3/1 2/2
f 5/1 6/2 7/1 8/2
f 1/1 2/2 6/1 5/2
f 2/1 3/2 7/1 6/2
f 3/1 4/2 8/1 7/2
f 4/1 1/2 5/1 8/2
OBJ
for seed in linux/seeds/*.crt; do  # the point set has no faces to decode
  "$linux/crt-tool" decode "$seed" "meshes/$(basename "$seed" .crt).ply" >/dev/null 2>&1 || true
done
encoded=0
for mesh in meshes/*; do
  name=$(basename "${mesh%.*}")
  for options in "" "--merge --entropy raw --parallelogram off" "--pos-bits 9 --normals diff --shared-bits off --search off"; do
    tag=$(echo "$options" | tr -dc 'a-z')
    out=$name-${tag:-default}.crt
    # shellcheck disable=SC2086
    "$linux/crt-tool" encode "$mesh" "linux/$out" $options >/dev/null
    # shellcheck disable=SC2086
    on_wine "$kit/crt-tool.exe" encode "$mesh" "windows/$out" $options >/dev/null
    cmp -s "linux/$out" "windows/$out" || fail "crt-tool.exe encodes $mesh ($options) to other bytes"
    encoded=$((encoded + 1))
  done
done

# Every stream: described, decoded to PLY, decoded through the loaded
# executable and by the example, the same on both.
streams=0 meshes=0
for stream in linux/seeds/*.crt linux/*.crt; do
  name=${stream#linux/}
  name=${name//\//-}
  "$linux/crt-tool" info "$stream" >"linux/$name.info"
  on_wine "$kit/crt-tool.exe" info "$stream" >"windows/$name.info"
  unix_text "windows/$name.info"
  cmp -s "linux/$name.info" "windows/$name.info" || fail "crt-tool.exe info $stream differs"
  "$work/decoder_loader" "$linux/libcrt.so" "$stream" "linux/$name.bin" >/dev/null
  on_wine "$kit/decoder_loader.exe" "$stream" "windows/$name.bin" >/dev/null
  cmp -s "linux/$name.bin" "windows/$name.bin" || fail "the decode through quellin.exe's exports differs for $stream"
  # A point set is refused by the example: alike, too.
  "$work/crt-decode-example" "$stream" >"linux/$name.example" 2>"linux/$name.said" ||
    echo "status $?" >>"linux/$name.said"
  on_wine "$kit/crt-decode-example.exe" "$stream" >"windows/$name.example" 2>"windows/$name.said" ||
    echo "status $?" >>"windows/$name.said"
  unix_text "windows/$name.example"
  unix_text "windows/$name.said"
  for what in example said; do
    cmp -s "linux/$name.$what" "windows/$name.$what" ||
      { diff "linux/$name.$what" "windows/$name.$what"; fail "decode.c on crt.dll prints otherwise for $stream"; }
  done
  if ! grep -qE "faces: 0$" "linux/$name.info"; then
    "$linux/crt-tool" decode "$stream" "linux/$name.ply" >/dev/null
    on_wine "$kit/crt-tool.exe" decode "$stream" "windows/$name.ply" >/dev/null
    cmp -s "linux/$name.ply" "windows/$name.ply" || fail "crt-tool.exe decodes $stream to another PLY"
    meshes=$((meshes + 1))
  fi
  streams=$((streams + 1))
done

# Damaged streams (most are refused, some decode): the same status, the same
# words and the same output on both.
damaged_alike() {  # Linux program, Windows program, arguments...
  local linux_program=$1 windows_program=$2 linux_status=0 windows_status=0
  shift 2
  rm -f out.ply
  "$linux_program" "$@" >linux/damaged 2>linux/damaged.said || linux_status=$?
  [ ! -e out.ply ] || mv out.ply linux/damaged.ply
  on_wine "$windows_program" "$@" >windows/damaged 2>windows/damaged.said || windows_status=$?
  [ ! -e out.ply ] || mv out.ply windows/damaged.ply
  unix_text windows/damaged
  unix_text windows/damaged.said
  [ "$windows_status" -eq "$linux_status" ] ||
    fail "$(basename "$windows_program") $stream: status $windows_status under Wine, $linux_status on Linux"
  for what in damaged damaged.said damaged.ply; do
    [ ! -e "linux/$what" ] && [ ! -e "windows/$what" ] && continue
    cmp -s "linux/$what" "windows/$what" ||
      { diff "linux/$what" "windows/$what"; fail "$(basename "$windows_program") $stream: another $what under Wine"; }
  done
  rm -f linux/damaged.ply windows/damaged.ply
  [ "$linux_status" -eq 0 ] || refused=$((refused + 1))
}
refused=0
for stream in "$repo"/tests/crt/regressions/*.crt; do
  cp "$stream" damaged.crt
  stream=$(basename "$stream")
  damaged_alike "$linux/crt-tool" "$kit/crt-tool.exe" decode damaged.crt out.ply
  damaged_alike "$work/crt-decode-example" "$kit/crt-decode-example.exe" damaged.crt
done

[ "$encoded" -ge 6 ] && [ "$meshes" -ge 5 ] && [ "$refused" -ge 10 ] ||
  fail "too few samples: $encoded encoded, $meshes meshes, $refused refusals"
echo "decoder kit under Wine: $encoded encodes, $streams streams ($meshes meshes) described and decoded alike, $refused refusals of damaged streams alike"

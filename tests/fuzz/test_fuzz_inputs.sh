#!/usr/bin/env bash
# Builds the libFuzzer targets of the player's file readers with clang
# (address and undefined behaviour sanitizers) into
# $QUELLIN_BUILD_DIR/fuzz-inputs/ and runs each for a bounded time:
#   dance_frame       a frame file of a dance recording
#   keyframes_points  the keyframe track and the point file
#   shader_source     shader sources including each other
#   free_camera       "FreeCam.bin" and camera updates from it
# Seeds are made from the show data where it is there; every past finding in
# tests/fuzz/regressions/<target>/ runs first, as a regression test.
set -euo pipefail
: "${QUELLIN_BUILD_DIR:?set QUELLIN_BUILD_DIR to the build folder}"
FUZZ_SECONDS="${FUZZ_SECONDS:-20}"
out="$QUELLIN_BUILD_DIR/fuzz-inputs"
mkdir -p "$out"

flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -I. -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
declare -A sources=(
  [dance_frame]="parts/dancers/DanceSequence.cpp"
  [keyframes_points]="parts/dancers/KeyframeTrack.cpp parts/dancers/PointCloud.cpp"
  [shader_source]="render/ShaderSource.cpp platform/FileWatch.cpp platform/linux/FileStamp.cpp"
  [free_camera]="live/FreeCam.cpp platform/linux/Platform.cpp"
)
# The system layer beside the free camera reaches SDL.
declare -A libraries=([free_camera]="-lSDL2")

make_seeds() {
  local target=$1 dir=$2
  mkdir -p "$dir"
  case "$target" in
    dance_frame)
      local first
      first=$(ls newresources/danceexport/006/*.processed 2>/dev/null | head -n 1 || true)
      [ -n "$first" ] && cp "$first" "$dir/recorded"
      # Two matrices and counts of 1, 1, 1 with their records.
      { head -c 128 /dev/zero; printf '\1\0\0\0'; head -c 28 /dev/zero; printf '\1\0\0\0'; head -c 8 /dev/zero
        printf '\1\0\0\0'; head -c 12 /dev/zero; } >"$dir/small"
      ;;
    keyframes_points)
      cp newresources/Storage1.txt "$dir/keyframes"
      printf '0 1 2 3 4 5\n-1.5e3 7 nan 8 inf x 9\n' >"$dir/numbers"
      ;;
    shader_source)
      # Parts split at 0xFF: a.glsl, b.glsl, c.glsl.
      printf 'void main()\n  #include b.glsl\n#replace KEY\n\xff#include c.glsl\nfloat b;\n\xff\t#include "a.glsl"\n#include missing.glsl\n' >"$dir/cycle"
      cp shaders/*.glsl "$dir/" 2>/dev/null || true
      ;;
    free_camera)
      head -c 292 /dev/zero >"$dir/zero"
      { head -c 180 /dev/zero; printf '\0\0\240\100'; head -c 108 /dev/zero; printf '\0\0\200\77\0\0\0\100\7'; } >"$dir/drags"
      ;;
  esac
}

for target in dance_frame keyframes_points shader_source free_camera; do
  binary="$out/fuzz_$target"
  # shellcheck disable=SC2086
  deps=(tests/fuzz/targets/fuzz_$target.cpp tests/fuzz/targets/FuzzFiles.h ${sources[$target]})
  if [ ! -x "$binary" ] || [ -n "$(find "${deps[@]}" parts/dancers/*.h render/*.h live/*.h platform/*.h -newer "$binary" -print -quit)" ]; then
    echo "building $binary"
    # shellcheck disable=SC2086
    clang++ "${flags[@]}" "tests/fuzz/targets/fuzz_$target.cpp" ${sources[$target]} ${libraries[$target]:-} -o "$binary"
  fi
  seeds="$out/seeds-$target"
  rm -rf "$seeds"
  make_seeds "$target" "$seeds"
  corpus="$out/corpus-$target"
  artifacts="$out/artifacts-$target"
  mkdir -p "$corpus" "$artifacts"
  regressions="tests/fuzz/regressions/$target"
  if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
    echo "== $target: past findings"
    "$binary" -runs=0 "$regressions"/*
  fi
  echo "== $target: ${FUZZ_SECONDS} s"
  # Findings land in artifacts-<target>/; commit each under $regressions/.
  status=0
  "$binary" -max_total_time="$FUZZ_SECONDS" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "$seeds" >"$out/log-$target" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$out/log-$target"
    echo "fuzz_$target found a fault; see $artifacts"
    exit 1
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$out/log-$target" || true
done

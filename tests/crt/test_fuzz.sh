#!/usr/bin/env bash
# Builds the crt decoder's libFuzzer target with clang (address and undefined
# behaviour sanitizers) into $QUELLIN_BUILD_DIR/fuzz-crt/ and runs it for a
# bounded time from a seed corpus: the test suite's own valid streams, the
# encoder's seeds when crt-tool can write them, and every past finding.
set -euo pipefail
: "${QUELLIN_BUILD_DIR:?set QUELLIN_BUILD_DIR to the build folder}"
FUZZ_SECONDS="${FUZZ_SECONDS:-60}"
out="$QUELLIN_BUILD_DIR/fuzz-crt"
mkdir -p "$out/corpus" "$out/seeds" "$out/artifacts"

# The decoder's sources: everything in crt/ but the encoder, and the C
# interface's decoder.
sources=(crt/api/Decode.cpp crt/api/Status.cpp)
for f in crt/*.cpp; do
  case "$f" in crt/MeshEncoder* | crt/EncodeSettings*) ;; *) sources+=("$f") ;; esac
done
flags=(-std=c++20 -O1 -g -ffp-contract=off -fno-omit-frame-pointer -I. -Itests/crt)

target="$out/fuzz_decoder"
if [ ! -x "$target" ] || [ -n "$(find crt tests/crt -newer "$target" \( -name '*.cpp' -o -name '*.h' \) -print -quit)" ]; then
  echo "building $target"
  clang++ "${flags[@]}" -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    tests/crt/fuzz/fuzz_decoder.cpp "${sources[@]}" -o "$target"
fi

clang++ "${flags[@]}" tests/crt/fuzz/make_seeds.cpp crt/Tunstall.cpp -o "$out/make_seeds"
"$out/make_seeds" "$out/seeds"
tool=""
for candidate in "$QUELLIN_BUILD_DIR/crt-tool" "$QUELLIN_BUILD_DIR/tools/crt-tool/crt-tool"; do
  if [ -x "$candidate" ]; then tool="$candidate"; break; fi
done
if [ -n "$tool" ]; then
  "$tool" seeds "$out/seeds" >/dev/null 2>&1 || echo "crt-tool seeds failed; using the test seeds only"
fi
echo "seeds: $(ls "$out/seeds" | wc -l)"

# Findings are written to artifacts/; each one is to be committed under
# tests/crt/regressions/ as NAME.crt.
"$target" -max_total_time="$FUZZ_SECONDS" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -print_final_stats=1 -artifact_prefix="$out/artifacts/" \
  "$out/corpus" "$out/seeds" tests/crt/regressions

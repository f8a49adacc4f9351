#!/usr/bin/env bash
# The WebAssembly decoder (build/web/crt.mjs) in Node against the native one:
# the same arrays to the bit, or the same refusal, for crt-tool's sample
# streams, the crt suite's hand-made and hostile streams and two larger meshes.
set -euo pipefail
: "${QUELLIN_BUILD_DIR:?set QUELLIN_BUILD_DIR to the build folder}"
module="$QUELLIN_BUILD_DIR/web/crt.mjs"
[ -f "$module" ] || { echo "no $module: scripts/build.sh builds it when Emscripten (emcc) is installed"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$QUELLIN_BUILD_DIR/crt-tool" seeds "$work" > /dev/null
cp tests/crt/regressions/*.crt "$work/"
"$QUELLIN_BUILD_DIR/crt_web_reference" "$work"
CRT_MODULE="$module" CRT_STREAMS="$work" node --test "$(dirname "$0")/decode.test.mjs"

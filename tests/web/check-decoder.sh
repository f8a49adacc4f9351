#!/usr/bin/env bash
# The crt package's WebAssembly decoder (build/web/crt/, through its Node
# entry) in Node against the native one: the same arrays to the bit, or the
# same refusal, for crt-tool's sample streams, the crt suite's hand-made and
# hostile streams and two larger meshes; the limits on a 91-byte stream of a
# hundred million triangles.
set -euo pipefail
: "${QUELLIN_BUILD_DIR:?set QUELLIN_BUILD_DIR to the build folder}"
module="$QUELLIN_BUILD_DIR/web/crt/crt-node.mjs"
[ -f "$module" ] || { echo "no $module: scripts/build.sh builds it when Emscripten (emcc) is installed"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$QUELLIN_BUILD_DIR/crt-tool" seeds "$work" > /dev/null
cp tests/crt/regressions/*.crt "$work/"
"$QUELLIN_BUILD_DIR/crt_web_reference" "$work"
CRT_MODULE="$module" CRT_STREAMS="$work" node --test "$(dirname "$0")/decode.test.mjs"

#!/usr/bin/env bash
# The npm package (build/web/crt/) as its users get it: npm pack, installed
# into a scratch project, run in Node, type-checked, bundled by esbuild and
# run in Debian's headless chromium, in a page and in Workers
# (package.test.mjs).
set -euo pipefail
: "${QUELLIN_BUILD_DIR:?set QUELLIN_BUILD_DIR to the build folder}"
package="$QUELLIN_BUILD_DIR/web/crt"
here="$(dirname "$0")"
[ -f "$package/crt.mjs" ] || { echo "no $package/crt.mjs: scripts/build.sh builds it when Emscripten (emcc) is installed"; exit 1; }
for module in puppeteer-core esbuild typescript; do
  [ -d "$here/node_modules/$module" ] || { echo "$module is missing: run scripts/install-deps.sh"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$QUELLIN_BUILD_DIR/crt_web_reference" "$work" > /dev/null
mv "$work/fan-of-a-hundred-million-triangles.crt" "$work/fan.crt"
"$QUELLIN_BUILD_DIR/crt_web_reference" --dragon-sized "$work/large.crt" > /dev/null
CRT_PACKAGE="$package" CRT_STREAMS="$work" node --test "$here/package.test.mjs"

#!/usr/bin/env bash
# The viewer page (build/web/index.html) in Debian's headless chromium, served
# by python3 -m http.server as the README says: meshes chosen and dropped are
# counted and drawn lit, damaged files give a message.
# CRT_VIEWER_SHOTS=DIR keeps the screenshots the test looks at.
set -euo pipefail
: "${QUELLIN_BUILD_DIR:?set QUELLIN_BUILD_DIR to the build folder}"
site="$QUELLIN_BUILD_DIR/web"
here="$(dirname "$0")"
[ -f "$site/crt/crt.mjs" ] || { echo "no $site/crt/crt.mjs: scripts/build.sh builds it when Emscripten (emcc) is installed"; exit 1; }
[ -d "$here/node_modules/puppeteer-core" ] || { echo "puppeteer-core is missing: run scripts/install-deps.sh"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$QUELLIN_BUILD_DIR/crt_web_reference" "$work" > /dev/null
CRT_SITE="$site" CRT_STREAMS="$work" node --test "$here/viewer.test.mjs"

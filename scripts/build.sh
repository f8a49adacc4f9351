#!/usr/bin/env bash
# Configures and builds the Release build in build/ (arguments go to its
# configuration: ./test.sh asks for the tests with -DQUELLIN_TESTS=ON); with
# Emscripten installed, also the crt decoder for web pages and Node, the npm
# package @quellin/crt in build/web/crt/ (`npm pack build/web/crt` makes its
# tarball), and the viewer page in build/web/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build build -j "$(nproc)"
if command -v emcmake >/dev/null; then
  # Debian's Emscripten finds its JavaScript parser (acorn) among Debian's node modules.
  export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"
  emcmake cmake -S web -B build/web-cmake -DCMAKE_BUILD_TYPE=Release -DCRT_WEB_OUTPUT="$PWD/build/web" >/dev/null
  cmake --build build/web-cmake -j "$(nproc)"
fi

#!/usr/bin/env bash
# The Windows build, cross-compiled on Debian: builds the Windows libraries
# once into their cache (scripts/windows-deps.sh), then configures and builds
# build-windows/ with the MinGW-w64 toolchain: quellin.exe, quellin-showgen.exe,
# crt-tool.exe, crt.dll, the Windows test suite, and the DLLs they need beside
# them. Arguments go to the build step (e.g. --target quellin).
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=$(scripts/windows-deps.sh)
# Libraries found in another prefix (an older cache key) are looked for again.
if ! grep -qx "QUELLIN_WINDOWS_PREFIX:UNINITIALIZED=$prefix" build-windows/CMakeCache.txt 2>/dev/null; then
  rm -f build-windows/CMakeCache.txt
fi
cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DQUELLIN_WINDOWS_PREFIX="$prefix" >/dev/null
cmake --build build-windows -j "${QUELLIN_JOBS:-$(nproc)}" "$@"

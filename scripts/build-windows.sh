#!/usr/bin/env bash
# The Windows build, cross-compiled on Debian: builds the Windows libraries
# once into their cache (scripts/windows-deps.sh), then configures and builds
# build-windows/ with the MinGW-w64 toolchain: quellin.exe, quellin-showgen.exe,
# crt-tool.exe, crt.dll, the Windows test suites, and the DLLs they need
# beside them. Arguments go to the build step (e.g. --target quellin).
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=$(scripts/windows-deps.sh)
cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DQUELLIN_WINDOWS_PREFIX="$prefix" >/dev/null
cmake --build build-windows -j "${QUELLIN_JOBS:-$(nproc)}" "$@"

#!/usr/bin/env bash
# Builds the Windows build (scripts/build-windows.sh) and the release zip
# (scripts/package-windows.sh, which its test unpacks into a fresh prefix of
# its own) and runs the test suites under Wine, with a private X display and
# a private sound server for Wine's sound output. Arguments go to ctest
# (e.g. -R SoundOutput).
# The run has a Wine prefix of its own, made once before the tests (making one
# takes Wine many seconds) and shared by all of them; it is made beside the
# display and the sound server the tests use, which Wine's desktop process
# keeps from its start. Its Wine server stays up for the whole run (one that
# ends by itself between two programs may turn the next one away), with
# Wine's own services started apart from the tests' output, which they would
# otherwise hold open; it is ended, the prefix removed, when the run ends.
# The decoder kit's test compares with the Linux build in
# QUELLIN_LINUX_BUILD_DIR (default build/).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build-windows.sh
scripts/package-windows.sh
WINEPREFIX=$(mktemp -d)/wine
export WINEPREFIX
trap 'wineserver -k 2>/dev/null || true; rm -rf "$(dirname "$WINEPREFIX")"' EXIT
scripts/with-display.sh tests/support/with-sound-server.sh bash -c \
  'scripts/with-wine.sh cmd /c exit 0 && wineserver -w && wineserver -p &&
   scripts/with-wine.sh cmd /c exit 0 </dev/null >/dev/null 2>&1 &&
   exec ctest --test-dir build-windows --output-on-failure "$@"' ctest "$@"

#!/usr/bin/env bash
# Builds the Windows build (scripts/build-windows.sh) and the release zip
# (scripts/package-windows.sh, which its test unpacks) and runs the test
# suites under Wine, with a private X display and a private sound server for
# Wine's sound output. Arguments go to ctest (e.g. -R SoundOutput).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build-windows.sh
scripts/package-windows.sh
scripts/with-display.sh tests/support/with-sound-server.sh \
  ctest --test-dir build-windows --output-on-failure "$@"

#!/usr/bin/env bash
# Installs what is missing (the test profile: what playing needs and the test
# tools), builds with the tests, makes the show data if absent, runs every
# test (the full show and the fuzzers among them), then the Windows build's
# tests under Wine (scripts/test-windows.sh), then the sanitizer builds:
# the GoogleTest suites under AddressSanitizer + UndefinedBehaviorSanitizer and
# the MIDI tests under ThreadSanitizer. QUELLIN_SKIP_WINDOWS=1 and
# QUELLIN_SKIP_SANITIZERS=1 skip those parts.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh test
scripts/build.sh -DQUELLIN_TESTS=ON
scripts/make-show-data.sh
scripts/with-display.sh ctest --test-dir build --output-on-failure -j 2 "$@"
if [ -z "${QUELLIN_SKIP_WINDOWS:-}" ]; then
  scripts/test-windows.sh
fi
if [ -z "${QUELLIN_SKIP_SANITIZERS:-}" ]; then
  tests/sanitizers/run-asan-ubsan.sh
  tests/sanitizers/run-tsan-midi.sh
fi

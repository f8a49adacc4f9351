#!/usr/bin/env bash
# Builds the live suite with ThreadSanitizer in build-tsan/ and runs the MIDI
# tests: the input callback thread writes the controller state the main
# thread reads. Suppressions in tests/live/tsan.supp cover libraries that
# synchronise in code the sanitizer cannot see.
set -euo pipefail
cd "$(dirname "$0")/../.."
dir=build-tsan
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O1" -DQUELLIN_SANITIZE=thread >/dev/null
cmake --build "$dir" -j 2 --target test_live
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/live/tsan.supp"
scripts/with-display.sh ctest --test-dir "$dir" --output-on-failure -j 1 -R '^(MidiIn|JackMidi|NanoKONTROL2)\.' "$@"

#!/usr/bin/env bash
# Builds the GoogleTest suites with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/ and runs them (not the script
# tests: the full show and the fuzzers have runs of their own).
# Any finding fails the run. Leaks are not checked: the player frees nothing
# at exit by design (one static application record, parts never deleted), so
# every run would report those on purpose.
set -euo pipefail
cd "$(dirname "$0")/../.."
dir=build-asan
# Every folder of tests/ with GoogleTest sources makes the suite test_<folder>,
# except the Windows platform layer's, which only the Windows build makes.
suites=()
for folder in tests/*/; do
  [ "$(basename "$folder")" = windows ] && continue
  compgen -G "${folder}*.cpp" >/dev/null && suites+=("test_$(basename "$folder")")
done
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O1" \
  -DQUELLIN_SANITIZE=address,undefined -DCMAKE_CXX_FLAGS="-fno-sanitize-recover=undefined" >/dev/null
cmake --build "$dir" -j 2 --target "${suites[@]}"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# The show suite replaces the global allocation functions to count a frame's
# allocations; memory that Mesa's shader compiler (LLVM) takes through the
# sanitizer's own operator new then comes back through the replacement, which
# the sanitizer reports as a new/free mismatch that is not ours. Those GL
# tests run with that one check off; everything else runs with all checks.
gl_show='^(Capture|CaptureWindow|PartRender)\.'
scripts/with-display.sh ctest --test-dir "$dir" --output-on-failure -j 2 -E "\.test_|^bench\.|$gl_show" "$@"
ASAN_OPTIONS=$ASAN_OPTIONS:alloc_dealloc_mismatch=0 \
  scripts/with-display.sh ctest --test-dir "$dir" --output-on-failure -j 2 -R "$gl_show" "$@"

#!/usr/bin/env bash
# Makes the show's data in newresources/ when it is not there yet (dance recordings, music,
# title card, point file); the keyframes newresources/Storage1.txt are committed.
set -euo pipefail
cd "$(dirname "$0")/.."
generator=build/tools/showgen/quellin-showgen
if [ ! -x "$generator" ]; then
  echo "make-show-data: $generator is not built; run scripts/build.sh first" >&2
  exit 1
fi
"$generator" --if-missing newresources

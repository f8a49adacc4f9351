#!/usr/bin/env bash
# Makes the show's data in newresources/ when it is not there yet.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -x build/tools/showgen/quellin-showgen ]; then
  build/tools/showgen/quellin-showgen --if-missing newresources
fi

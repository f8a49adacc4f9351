#!/usr/bin/env bash
# Installs what is missing, builds, makes the show data if absent, runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
scripts/make-show-data.sh
scripts/with-display.sh ctest --test-dir build --output-on-failure -j 2 "$@"

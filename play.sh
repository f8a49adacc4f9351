#!/usr/bin/env bash
# Installs what building and playing need and is missing, builds, makes the
# show data if absent, plays the show.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh play
scripts/build.sh
scripts/make-show-data.sh
exec build/quellin

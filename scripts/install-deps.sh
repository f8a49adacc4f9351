#!/usr/bin/env bash
# Installs what a set-up profile needs and is missing, calling apt-get only
# then:
#   scripts/install-deps.sh play    building and playing the show (./play.sh)
#   scripts/install-deps.sh [test]  that, and what the tests and benchmarks need
#                                   (./test.sh), the Windows build and its tests
#                                   among them, with the npm packages of the web
#                                   tests (npm only when a lock file is newer
#                                   than what it installed)
# --bench also installs what bench/run.sh needs beyond the tests (npm fetches
# the crt benchmark's meshes; bench/web races Draco's WebAssembly decoder).
# Each profile's Debian packages are listed in scripts/packages/<name>.list;
# PROFILES says which lists a profile takes.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A PROFILES=(
  [play]="play"
  [test]="play test windows"
)

profile=test
bench=
for arg in "$@"; do
  case "$arg" in
    --bench) bench=1 ;;
    *) [ -n "${PROFILES[$arg]:-}" ] || { echo "install-deps: no profile '$arg' (${!PROFILES[*]})"; exit 2; }
       profile=$arg ;;
  esac
done

packages=()
for list in ${PROFILES[$profile]}; do
  read -ra line_packages <<<"$(grep -v '^[[:space:]]*#' "scripts/packages/$list.list" | tr '\n' ' ')"
  packages+=("${line_packages[@]}")
done
npm_folders=()
if [ "$profile" = test ]; then
  npm_folders=(tests/web)
  # Debian's npm conflicts with a Node.js that brings its own npm (NodeSource's,
  # as on these machines): ask for it only when no npm is on the PATH.
  command -v npm >/dev/null || packages+=(npm)
fi
if [ -n "$bench" ]; then npm_folders+=(bench/web); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing missing packages: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

for folder in "${npm_folders[@]}"; do
  installed="$folder/node_modules/.package-lock.json"
  if [ ! -f "$installed" ] || [ "$folder/package-lock.json" -nt "$installed" ]; then
    echo "Installing the npm packages of $folder"
    (cd "$folder" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
  fi
done

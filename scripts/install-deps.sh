#!/usr/bin/env bash
# Installs the Debian packages the build, the show and the tests need.
# Calls apt-get only when something on the list is missing. With --bench, also
# what bench/run.sh needs beyond the tests (npm fetches the crt benchmark's meshes).
set -euo pipefail

PACKAGES=(
  # toolchain
  g++ make cmake pkg-config clang libclang-rt-14-dev
  # libraries the player and the tools link against
  libsdl2-dev libglew-dev libglu1-mesa-dev libgl1-mesa-dri
  libopencv-core-dev libopencv-imgproc-dev libopencv-imgcodecs-dev
  librang-dev librtmidi-dev libjack-jackd2-dev libasound2-dev libmpg123-dev libfftw3-dev libmp3lame-dev
  libassimp-dev libdraco-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils xdotool imagemagick mesa-utils libxtst-dev
  jackd2 sox lame ffmpeg fonts-dejavu-core
  # the crt Python module and its tests: the system Python with numpy, venv for pip
  python3-numpy python3-venv
)
# Debian's npm conflicts with a Node.js that brings its own npm (NodeSource's,
# as on these machines): ask for it only when no npm is on the PATH.
BENCH_PACKAGES=()
command -v npm >/dev/null || BENCH_PACKAGES+=(npm)
if [ "${1:-}" = "--bench" ]; then PACKAGES+=("${BENCH_PACKAGES[@]}"); fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"

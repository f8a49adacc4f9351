#!/usr/bin/env bash
# crt builds on its own, with a compiler and CMake and nothing of the
# player's: crt/ alone is copied to a scratch folder and built, installed and
# used there (find_package and pkg-config), taken in by another project with
# add_subdirectory and with FetchContent from a release archive of the
# folder, and, where MinGW-w64 is installed, cross-built as crt.dll.
#
# The player's dependencies are hidden in a private mount namespace: there
# /usr/include holds only the C and C++ standard libraries' headers, and no
# pkg-config or CMake package file of any library can be found. That the
# player's own build then fails to configure shows they are gone.
set -euo pipefail
: "${QUELLIN_BUILD_DIR:?set QUELLIN_BUILD_DIR to the build folder}"
if [ -z "${CRT_DEPENDENCIES_HIDDEN:-}" ]; then
  export CRT_DEPENDENCIES_HIDDEN=1
  if unshare --mount true 2>/dev/null; then exec unshare --mount bash "$0"; fi
  if unshare --mount --map-root-user true 2>/dev/null; then exec unshare --mount --map-root-user bash "$0"; fi
  echo "SKIP: this machine gives no private mount namespace to hide the player's dependencies in"
  exit 77
fi
REPO="$PWD"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
step() { echo "== $*"; }

# A stream to decode, made while crt-tool's libraries can still be seen.
printf 'v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n' > "$WORK/cube.obj"
printf 'f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 2 3 7 6\nf 3 4 8 7\nf 4 1 5 8\n' >> "$WORK/cube.obj"
"$QUELLIN_BUILD_DIR/crt-tool" encode "$WORK/cube.obj" "$WORK/cube.crt" --merge >/dev/null
version=$(grep -oE 'CRT_VERSION_(MAJOR|MINOR|PATCH) [0-9]+' crt/include/crt.h | awk '{print $2}' | paste -sd.)
printf 'crt %s: 8 vertices, 12 triangles\nattribute position: 3 floats per vertex\n' "$version" > "$WORK/want"
printf 'bounds: (0.000, 0.000, 0.000) to (1.000, 1.000, 1.000)\nfirst triangle: 0 1 2\n' >> "$WORK/want"

step "hiding every header but the standard libraries' and every package file"
headers=$(dpkg -S "/usr/include/c++/$(g++ -dumpversion)" /usr/include/stdio.h /usr/include/linux/types.h \
  | cut -d: -f1 | tr ',' '\n' | sort -u)
mkdir -p "$WORK/root"
dpkg -L $headers | grep '^/usr/include/' | while read -r f; do [ -d "$f" ] && [ ! -L "$f" ] || echo "${f#/}"; done \
  | tar -cf - -C / -T - | tar -xf - -C "$WORK/root"
mount --bind "$WORK/root/usr/include" /usr/include
for dir in /usr/local/include /usr/lib/x86_64-linux-gnu/pkgconfig /usr/lib/pkgconfig /usr/share/pkgconfig \
  /usr/local/lib/pkgconfig /usr/lib/x86_64-linux-gnu/cmake /usr/lib/cmake /usr/share/cmake /usr/local/lib/cmake; do
  if [ -d "$dir" ]; then mount -t tmpfs none "$dir"; fi
done
for header in SDL2/SDL.h GL/glew.h GL/glu.h opencv2/core.hpp rtmidi/RtMidi.h jack/jack.h pulse/pulseaudio.h \
  alsa/asoundlib.h mpg123.h fftw3.h lame/lame.h assimp/Importer.hpp gtest/gtest.h range/v3/all.hpp draco/core/draco_types.h; do
  if echo "#include <$header>" | g++ -fsyntax-only -x c++ - 2>/dev/null; then fail "$header can still be seen"; fi
done
echo 'int main() {}' | g++ -x c++ - -o "$WORK/bare" || fail "the C++ compiler no longer works"
if cmake -S "$REPO" -B "$WORK/player" >"$WORK/player.log" 2>&1; then fail "the player's build configured"; fi

step "cmake -S crt alone: build, install, find_package and pkg-config"
mkdir "$WORK/src"
cp -r "$REPO/crt" "$WORK/src/crt"
cmake -S "$WORK/src/crt" -B "$WORK/alone" -DCMAKE_INSTALL_PREFIX="$WORK/prefix" >"$WORK/alone.log"
cmake --build "$WORK/alone" -j2 >>"$WORK/alone.log" || { tail -20 "$WORK/alone.log"; fail "the build failed"; }
cmake --install "$WORK/alone" >>"$WORK/alone.log"
P="$WORK/prefix"
for f in "include/crt.h" "lib/libcrt.so.$version" "lib/pkgconfig/crt.pc" "lib/cmake/crt/crtConfig.cmake" \
  "lib/cmake/crt/crtTargets.cmake"; do
  [ -e "$P/$f" ] || fail "$f is not installed"
done
cmake -S "$REPO/docs/examples" -B "$WORK/found" -DCMAKE_PREFIX_PATH="$P" -DCMAKE_C_FLAGS=-Werror >/dev/null
cmake --build "$WORK/found" >/dev/null
"$WORK/found/crt-decode" "$WORK/cube.crt" | diff "$WORK/want" - || fail "the find_package program printed otherwise"
# shellcheck disable=SC2046
cc -std=c99 -Wall -Wextra -pedantic -Werror "$REPO/docs/examples/decode.c" \
  $(PKG_CONFIG_PATH="$P/lib/pkgconfig" pkg-config --cflags --libs crt) -o "$WORK/decode-pc"
LD_LIBRARY_PATH="$P/lib" "$WORK/decode-pc" "$WORK/cube.crt" | diff "$WORK/want" - \
  || fail "the pkg-config program printed otherwise"

# A C project that takes crt in, builds decode.c against crt::crt and runs it.
consumer() {  # folder, the lines that bring crt in
  mkdir -p "$1"
  cat > "$1/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.16)
project(adopter LANGUAGES C)
$2
add_executable(crt-decode $REPO/docs/examples/decode.c)
target_link_libraries(crt-decode PRIVATE crt::crt)
CMAKE
  cmake -S "$1" -B "$1/build" >"$1.log" 2>&1 || { tail -20 "$1.log"; fail "$1 did not configure"; }
  cmake --build "$1/build" -j2 >>"$1.log" 2>&1 || { tail -20 "$1.log"; fail "$1 did not build"; }
  "$1/build/crt-decode" "$WORK/cube.crt" | diff "$WORK/want" - || fail "$1 printed otherwise"
}
step "add_subdirectory(crt) from another project"
consumer "$WORK/subdirectory" "add_subdirectory($WORK/src/crt crt)"
step "FetchContent from a release archive of crt/"
tar -czf "$WORK/crt-$version.tar.gz" -C "$WORK/src" crt
consumer "$WORK/fetched" "include(FetchContent)
FetchContent_Declare(crt URL file://$WORK/crt-$version.tar.gz)
FetchContent_MakeAvailable(crt)"

if command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
  step "crt.dll with MinGW-w64"
  cmake -S "$WORK/src/crt" -B "$WORK/windows" -DCMAKE_TOOLCHAIN_FILE="$REPO/cmake/mingw-w64-x86_64.cmake" \
    >"$WORK/windows.log"
  cmake --build "$WORK/windows" -j2 --target crt >>"$WORK/windows.log" || { tail -20 "$WORK/windows.log"; fail "no crt.dll"; }
  [ -f "$WORK/windows/libcrt.dll.a" ] || fail "crt.dll has no import library"
  exported=$(x86_64-w64-mingw32-objdump -p "$WORK/windows/crt.dll" \
    | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -nE 's/^\s+\[ *[0-9]+\] ([A-Za-z_]+)$/\1/p' | sort)
  wanted=$(nm -D --defined-only "$QUELLIN_BUILD_DIR/libcrt.so" | awk '$2 != "A" {print $3}' | sed 's/@.*//' | sort -u)
  [ "$exported" = "$wanted" ] || { diff <(echo "$wanted") <(echo "$exported"); fail "crt.dll exports otherwise"; }
fi
echo "crt builds, installs and is taken in alone, without the player's dependencies"

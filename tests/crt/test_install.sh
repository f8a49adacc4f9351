#!/usr/bin/env bash
# cmake --install into a fresh prefix, then the tree as an adopting program
# meets it: the files and the library's SONAME, the C example built with
# gcc -std=c99 through pkg-config and again through find_package(crt), both
# decoding a stream the installed crt-tool made, and docs/crt.md quoting the
# examples as they stand. (The Python package carries a libcrt of its own:
# test_python_wheel.sh installs it and runs its examples.)
set -euo pipefail
: "${QUELLIN_BUILD_DIR:?set QUELLIN_BUILD_DIR to the build folder}"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
P="$WORK/prefix"

cmake --install "$QUELLIN_BUILD_DIR" --prefix "$P" >/dev/null
(cd "$P" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort) > "$WORK/tree"
version=$(grep -oE 'CRT_VERSION_(MAJOR|MINOR|PATCH) [0-9]+' crt/include/crt.h | awk '{print $2}' | paste -sd.)
major=${version%%.*}
cat > "$WORK/expected" <<TREE
bin/crt-tool
include/crt.h
lib/cmake/crt/crtConfig.cmake
lib/cmake/crt/crtConfigVersion.cmake
lib/cmake/crt/crtTargets-release.cmake
lib/cmake/crt/crtTargets.cmake
lib/libcrt.so
lib/libcrt.so.$major
lib/libcrt.so.$version
lib/pkgconfig/crt.pc
TREE
diff "$WORK/expected" "$WORK/tree" || fail "the installed tree differs (- expected, + installed)"
[ "$(readlink "$P/lib/libcrt.so")" = "libcrt.so.$major" ] || fail "libcrt.so does not point at libcrt.so.$major"
objdump -p "$P/lib/libcrt.so.$version" | grep -q "SONAME *libcrt.so.$major\$" || fail "no SONAME libcrt.so.$major"

# A stream from the installed tool: a unit cube.
printf 'v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n' > "$WORK/cube.obj"
printf 'f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 2 3 7 6\nf 3 4 8 7\nf 4 1 5 8\n' >> "$WORK/cube.obj"
"$P/bin/crt-tool" encode "$WORK/cube.obj" "$WORK/cube.crt" --merge >/dev/null
cat > "$WORK/want" <<OUT
crt $version: 8 vertices, 12 triangles
attribute position: 3 floats per vertex
bounds: (0.000, 0.000, 0.000) to (1.000, 1.000, 1.000)
first triangle: 0 1 2
OUT

export PKG_CONFIG_PATH="$P/lib/pkgconfig"
[ "$(pkg-config --modversion crt)" = "$version" ] || fail "pkg-config gives version $(pkg-config --modversion crt)"
# shellcheck disable=SC2046
gcc -std=c99 -Wall -Wextra -pedantic -Werror docs/examples/decode.c $(pkg-config --cflags --libs crt) \
  -o "$WORK/decode-pc"
LD_LIBRARY_PATH="$P/lib" "$WORK/decode-pc" "$WORK/cube.crt" > "$WORK/got-pc"
diff "$WORK/want" "$WORK/got-pc" || fail "the pkg-config build printed otherwise"
head -c 100 "$WORK/cube.crt" > "$WORK/cut.crt"
if LD_LIBRARY_PATH="$P/lib" "$WORK/decode-pc" "$WORK/cut.crt" >/dev/null 2> "$WORK/err"; then fail "a cut stream decoded"; fi
grep -qx "$WORK/cut.crt: Truncated crt stream." "$WORK/err" || { cat "$WORK/err"; fail "no message for a cut stream"; }

cmake -S docs/examples -B "$WORK/cmake-build" -DCMAKE_PREFIX_PATH="$P" -DCMAKE_C_FLAGS="-Werror" >/dev/null
cmake --build "$WORK/cmake-build" >/dev/null
"$WORK/cmake-build/crt-decode" "$WORK/cube.crt" > "$WORK/got-cmake"
diff "$WORK/want" "$WORK/got-cmake" || fail "the find_package build printed otherwise"

# The documentation quotes the examples whole.
for example in docs/examples/decode.c docs/examples/CMakeLists.txt docs/examples/decode.py docs/examples/roundtrip.py; do
  /usr/bin/python3 - "$example" <<'PY' || fail "docs/crt.md does not quote $example as it stands"
import sys
doc, example = open("docs/crt.md").read(), open(sys.argv[1]).read()
sys.exit(0 if "\n" + example + "```" in doc else 1)
PY
done
echo "installed tree, C example (pkg-config and CMake) and documentation agree"

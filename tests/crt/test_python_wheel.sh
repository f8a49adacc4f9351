#!/usr/bin/env bash
# The crt Python package as a user installs it, offline, into fresh virtual
# environments with nothing on the loader path: `pip install ./python` builds
# libcrt inside the build backend and the wheel carries it beside the module;
# an editable install; an sdist that builds a wheel alone. Each environment
# decodes a real stream and runs the documented examples.
set -euo pipefail
: "${QUELLIN_BUILD_DIR:?set QUELLIN_BUILD_DIR to the build folder}"
REPO="$PWD"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
step() { echo "== $*"; }
version=$(grep -oE 'CRT_VERSION_(MAJOR|MINOR|PATCH) [0-9]+' crt/include/crt.h | awk '{print $2}' | paste -sd.)
tag="py3-none-linux_$(uname -m)"  # any Python 3 (ctypes), this system and processor (the library)

# Nothing points the module at a library: it must find its own.
unset LD_LIBRARY_PATH CRT_LIBRARY PYTHONPATH
export PYTHONDONTWRITEBYTECODE=1 PIP_NO_INDEX=1 PIP_NO_CACHE_DIR=1 PIP_DISABLE_PIP_VERSION_CHECK=1

# The package and the C sources as the repository lays them out, in a scratch
# copy: an editable install writes the library into its source folder.
mkdir "$WORK/src"
cp -r python crt "$WORK/src/"
rm -f "$WORK/src/python/crt/libcrt.so.1"

# Streams: a unit cube from crt-tool, and 91 bytes claiming 10^8 triangles.
printf 'v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n' > "$WORK/cube.obj"
printf 'f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 2 3 7 6\nf 3 4 8 7\nf 4 1 5 8\n' >> "$WORK/cube.obj"
"$QUELLIN_BUILD_DIR/crt-tool" encode "$WORK/cube.obj" "$WORK/cube.crt" --merge >/dev/null
/usr/bin/python3 tests/crt/fan_stream.py 100000000 "$WORK/fan.crt"
cat > "$WORK/want" <<OUT
crt $version: 8 vertices, 12 triangles
attribute position: 3 floats per vertex
bounds: (0.000, 0.000, 0.000) to (1.000, 1.000, 1.000)
first triangle: 0 1 2
OUT

venv() { /usr/bin/python3 -m venv --system-site-packages "$WORK/$1"; }  # numpy from Debian
# In environment $1, from a neutral folder: the library crt loaded must lie
# in $2, and the examples print what they should.
check() {
  local python="$WORK/$1/bin/python" where="$2"
  (cd "$WORK" && "$python" - "$where" <<'PY') || fail "$1: crt is not the installed package over its own library"
import os, sys
import crt
loaded = [line.split()[-1] for line in open("/proc/self/maps") if "libcrt" in line]
assert loaded and all(os.path.dirname(p) == sys.argv[1] for p in loaded), loaded
assert os.path.dirname(crt.__file__) == sys.argv[1], crt.__file__
PY
  (cd "$WORK" && "$python" "$REPO/docs/examples/decode.py" cube.crt) | diff "$WORK/want" - \
    || fail "$1: decode.py printed otherwise"
  if (cd "$WORK" && "$python" "$REPO/docs/examples/decode.py" fan.crt >/dev/null 2>"$WORK/err"); then
    fail "$1: the 91-byte stream decoded"
  fi
  grep -q "^fan.crt: too large to decode here (.* bytes): The crt stream needs 100000002 vertices" "$WORK/err" \
    || { cat "$WORK/err"; fail "$1: no limit message for the 91-byte stream"; }
  (cd "$WORK" && "$python" "$REPO/docs/examples/roundtrip.py") > "$WORK/got-py"
  grep -q "^same triangles: True$" "$WORK/got-py" && grep -q "^half the stream: Truncated crt stream.$" "$WORK/got-py" \
    || { cat "$WORK/got-py"; fail "$1: roundtrip.py printed otherwise"; }
}

step "pip install ./python: libcrt built by the backend, carried in a $tag wheel"
venv installed
(cd "$WORK/src" && "$WORK/installed/bin/pip" install --quiet --config-settings "build-dir=$WORK/libcrt-build" ./python) \
  > "$WORK/pip.log" 2>&1 || { tail -30 "$WORK/pip.log"; fail "pip install ./python failed"; }
site=$("$WORK/installed/bin/python" -c 'import sysconfig; print(sysconfig.get_path("platlib"))')
grep -qx "Tag: $tag" "$site/quellin_crt-$version.dist-info/WHEEL" || fail "the wheel is not tagged $tag"
[ -f "$site/crt/py.typed" ] || fail "the wheel lacks py.typed"
check installed "$site/crt"

step "pip install -e ./python: the sources used in place, the library built beside them"
venv editable
(cd "$WORK/src" && "$WORK/editable/bin/pip" install --quiet --config-settings "build-dir=$WORK/libcrt-build" -e ./python) \
  > "$WORK/pip.log" 2>&1 || { tail -30 "$WORK/pip.log"; fail "pip install -e ./python failed"; }
check editable "$WORK/src/python/crt"
echo 'EDITED = "in place"' >> "$WORK/src/python/crt/__init__.py"
[ "$("$WORK/editable/bin/python" -c 'import crt; print(crt.EDITED)')" = "in place" ] \
  || fail "an edit of the source is not seen by the editable install"

step "an sdist with the C sources, and a wheel built from it alone"
(cd "$WORK/src/python" && /usr/bin/python3 -c "
import sys; sys.path.insert(0, 'build_support'); import wheel_backend; print(wheel_backend.build_sdist(sys.argv[1]))" \
  "$WORK") > "$WORK/sdist-name"
sdist="$WORK/$(cat "$WORK/sdist-name")"
if tar -tzf "$sdist" | grep -q 'libcrt.so'; then fail "the sdist carries the editable install's library"; fi
# Away from the repository's sources, so only the sdist's can be built.
mv "$WORK/src" "$WORK/src-moved"
venv from-sdist
"$WORK/from-sdist/bin/pip" wheel --quiet --no-deps -w "$WORK/wheels" "$sdist" > "$WORK/pip.log" 2>&1 \
  || { tail -30 "$WORK/pip.log"; fail "no wheel from the sdist"; }
wheel="$WORK/wheels/quellin_crt-$version-$tag.whl"
[ -f "$wheel" ] || fail "the sdist gave $(ls "$WORK/wheels")"
"$WORK/from-sdist/bin/pip" install --quiet "$wheel" > "$WORK/pip.log" 2>&1 || { cat "$WORK/pip.log"; fail "the wheel did not install"; }
check from-sdist "$("$WORK/from-sdist/bin/python" -c 'import sysconfig; print(sysconfig.get_path("platlib"))')/crt"
echo "the wheel, the editable install and the sdist's wheel each decode with their own libcrt"

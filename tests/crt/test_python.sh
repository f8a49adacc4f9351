#!/usr/bin/env bash
# The crt Python module from the source tree over the built libcrt.so, with
# the system's Python and numpy.
set -euo pipefail
: "${QUELLIN_BUILD_DIR:?set QUELLIN_BUILD_DIR to the build folder}"
export CRT_LIBRARY="$QUELLIN_BUILD_DIR/libcrt.so" PYTHONPATH="$PWD/python" PYTHONDONTWRITEBYTECODE=1
exec /usr/bin/python3 tests/crt/python_test.py

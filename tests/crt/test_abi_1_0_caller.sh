#!/usr/bin/env bash
# A program built against crt 1.0 runs against today's libcrt.so unchanged.
# It is linked as 1.0 programs were, against a library without symbol
# versions (a stub with the 1.0 header's functions and the 1.0 SONAME), so
# its references carry no version, then run against the real library.
set -euo pipefail
: "${QUELLIN_BUILD_DIR:?set QUELLIN_BUILD_DIR to the build folder}"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
OLD=tests/crt/abi/crt-1.0

mkdir "$WORK/stub"
grep -oE '^CRT_API [^(]*[ *]crt_[a-z_]+\(' "$OLD/crt.h" | sed -E 's/.*[ *](crt_[a-z_]+)\($/void \1(void) {}/' \
  > "$WORK/stub.c"
[ "$(wc -l < "$WORK/stub.c")" -eq 11 ] || fail "the 1.0 header should declare 11 functions"
gcc -shared -fPIC -Wl,-soname,libcrt.so.1 "$WORK/stub.c" -o "$WORK/stub/libcrt.so"
gcc -std=c99 -Wall -Wextra -pedantic -Werror -I "$OLD" tests/crt/abi/caller-1.0.c -L "$WORK/stub" -lcrt -lm \
  -o "$WORK/caller"
# As a 1.0 program: libcrt.so.1 needed, no symbol version asked of it.
readelf -d "$WORK/caller" | grep -q 'NEEDED.*libcrt.so.1' || fail "the caller does not need libcrt.so.1"
if readelf -V "$WORK/caller" | grep -q 'CRT_'; then fail "the caller asks for a crt symbol version"; fi

LD_LIBRARY_PATH="$QUELLIN_BUILD_DIR" "$WORK/caller" > "$WORK/out" || { cat "$WORK/out"; fail "the 1.0 caller failed"; }
cat "$WORK/out"
version=$(grep -oE 'CRT_VERSION_(MAJOR|MINOR|PATCH) [0-9]+' crt/include/crt.h | awk '{print $2}' | paste -sd.)
grep -qx "crt $version" "$WORK/out" || fail "the caller did not run against crt $version"

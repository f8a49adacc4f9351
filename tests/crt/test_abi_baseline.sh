#!/usr/bin/env bash
# The ABI of libcrt.so against the baseline kept in crt/abi/libcrt.abi: the
# library is built alone with debug information, and abidiff compares what
# crt.h makes public (functions with their symbol versions, the structs'
# layouts, the types of fields and parameters). Added functions and fields
# appended to a struct pass (crt/abi/growth.suppr); anything else fails: a
# function or version node gone, a field moved, retyped or inserted, a
# parameter changed.
set -euo pipefail
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
cmake -S crt -B "$WORK/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCRT_INSTALL=OFF >"$WORK/log"
cmake --build "$WORK/build" -j2 >>"$WORK/log" || { tail -20 "$WORK/log"; exit 1; }
status=0
abidiff --no-added-syms --suppressions crt/abi/growth.suppr --headers-dir1 crt/include --headers-dir2 crt/include \
  crt/abi/libcrt.abi "$WORK/build/libcrt.so" >"$WORK/report" || status=$?
if [ "$status" -ne 0 ]; then
  cat "$WORK/report"
  echo "FAIL: libcrt.so's ABI changed against crt/abi/libcrt.abi (abidiff status $status)"
  exit 1
fi
echo "libcrt.so keeps the ABI of crt/abi/libcrt.abi"

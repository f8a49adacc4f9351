#!/usr/bin/env bash
# libcrt.so exports exactly the decoder's three functions, and the player
# exports them as its only code symbols (an executable may also carry copies
# of library data such as std::cout in its dynamic table; those are not ours).
set -euo pipefail
: "${QUELLIN_BUILD_DIR:?set QUELLIN_BUILD_DIR to the build folder}"
expected=$'CreateDecoder\nDecodeMesh\nDestroyDecoder'
status=0

check() {  # name, list
  if [ "$2" != "$expected" ]; then
    echo "$1 exports:"
    echo "$2"
    status=1
  else
    echo "$1 exports exactly the three decoder functions"
  fi
}

check libcrt.so "$(nm -D --defined-only "$QUELLIN_BUILD_DIR/libcrt.so" | awk '{print $3}' | sort)"
check quellin "$(nm -D --defined-only "$QUELLIN_BUILD_DIR/quellin" | awk '$2 ~ /^[TtWiu]$/ {print $3}' | sort)"
exit $status

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
# A symbol that one of the player's shared libraries refers to or defines too
# is exported by the linker whatever we ask (libpulse refers to main, librtmidi
# defines RtMidi's inline members); only what no library knows must stay hidden.
player="$QUELLIN_BUILD_DIR/quellin"
known_to_libraries=$(ldd "$player" | awk '$3 ~ /^\// {print $3}' \
  | xargs -r nm -D 2>/dev/null | awk '{print $NF}' | sed 's/@.*//' | sort -u)
check quellin "$(nm -D --defined-only "$player" | awk '$2 ~ /^[TtWiu]$/ {print $3}' | sort \
  | comm -23 - <(printf '%s\n' "$known_to_libraries"))"
exit $status

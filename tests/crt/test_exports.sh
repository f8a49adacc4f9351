#!/usr/bin/env bash
# libcrt.so exports exactly the decoder's three functions and every function
# crt.h declares (by name); the player exports the three as its only code symbols (an
# executable may also carry copies of library data such as std::cout in its
# dynamic table; those are not ours).
set -euo pipefail
: "${QUELLIN_BUILD_DIR:?set QUELLIN_BUILD_DIR to the build folder}"
three=$'CreateDecoder\nDecodeMesh\nDestroyDecoder'
declared=$(grep -oE '^CRT_API [^(]*[ *]crt_[a-z_]+\(' crt/include/crt.h | sed -E 's/.*[ *](crt_[a-z_]+)\($/\1/' | sort)
[ "$(echo "$declared" | wc -l)" -ge 10 ] || { echo "crt.h declares too few functions: $declared"; exit 1; }
status=0

check() {  # name, expected list, actual list
  if [ "$3" != "$2" ]; then
    echo "$1 exports:"
    diff <(echo "$2") <(echo "$3") || true
    status=1
  else
    echo "$1 exports exactly: $(echo "$2" | tr '\n' ' ')"
  fi
}

# By name; the version nodes (CRT_1.0, CRT_1.1) and the forms kept for 1.0
# programs are the ABI tests' concern.
check libcrt.so "$(printf '%s\n%s\n' "$three" "$declared" | LC_ALL=C sort)" \
  "$(nm -D --defined-only "$QUELLIN_BUILD_DIR/libcrt.so" | awk '$2 != "A" {print $3}' | sed 's/@.*//' | LC_ALL=C sort -u)"
# A symbol that one of the player's shared libraries refers to or defines too
# is exported by the linker whatever we ask (libpulse refers to main, librtmidi
# defines RtMidi's inline members); only what no library knows must stay hidden.
player="$QUELLIN_BUILD_DIR/quellin"
known_to_libraries=$(ldd "$player" | awk '$3 ~ /^\// {print $3}' \
  | xargs -r nm -D 2>/dev/null | awk '{print $NF}' | sed 's/@.*//' | sort -u)
check quellin "$three" "$(nm -D --defined-only "$player" | awk '$2 ~ /^[TtWiu]$/ {print $3}' | sort \
  | comm -23 - <(printf '%s\n' "$known_to_libraries"))"
exit $status

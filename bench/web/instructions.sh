#!/usr/bin/env bash
# Instructions per decode of each stream, counted by callgrind: Node runs the
# decoder 1 and 3 times on the stream (optimising compiler only, so no
# baseline code is counted) and the difference is halved. Unlike times, the
# counts do not depend on what else the machine is doing.
#   bench/web/instructions.sh STREAMS_DIR CRT_MJS [NAME_PATTERN]   (default pattern: dragon)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
dir="${1:?streams folder (crt_decode_bench --write-streams)}"
module="$(realpath "${2:?crt.mjs}")"
pattern="${3:-dragon}"
count() {  # codec file runs -> instructions of the whole process
  valgrind --tool=callgrind --callgrind-out-file=/dev/null --smc-check=all-non-file \
    node --no-liftoff "$here/decode-repeatedly.mjs" "$1" "$module" "$2" "$3" 2>&1 | awk '/Collected/ {print $4}'
}
printf '%-52s %16s\n' stream 'instructions'
for file in "$dir"/*"$pattern"*; do
  case "$file" in *.drc) codec=draco ;; *.crt) codec=crt ;; *) continue ;; esac
  one=$(count "$codec" "$file" 1)
  three=$(count "$codec" "$file" 3)
  printf '%-52s %16d\n' "$(basename "$file")" $(( (three - one) / 2 ))
done

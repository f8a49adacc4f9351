#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of its own:
#   scripts/with-wine.sh PROGRAM.exe [ARGS...]
# WINEPREFIX defaults to /tmp/quellin-wine-<uid> and is made on first use
# (without Wine's .NET and HTML installers); WINEDEBUG=-all keeps Wine's own
# messages out of the program's output unless the caller sets it. The
# program's status is returned; Wine's server for the prefix ends by itself
# a few seconds after its last program.
set -euo pipefail
export WINEPREFIX=${WINEPREFIX:-/tmp/quellin-wine-$(id -u)}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEARCH=win64
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    exec 9>"$WINEPREFIX.lock"
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      wineboot --init >/dev/null 2>&1
      wineserver -w
    fi
  )
fi
exec wine "$@"

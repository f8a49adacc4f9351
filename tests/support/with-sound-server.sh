#!/usr/bin/env bash
# Runs a command beside a sound server of its own: PulseAudio with one null
# sink (the default), reached through a private XDG_RUNTIME_DIR, so tests in
# parallel and a desktop's own server do not meet it. The command may upset
# the server through tests/support/sound-server.sh (kill, stop, start again).
# The server is ended when the command ends; the command's status is returned.
#   tests/support/with-sound-server.sh COMMAND [ARGS...]
set -euo pipefail
control=$(realpath "$(dirname "$0")/sound-server.sh")
dir=$(mktemp -d /tmp/quellin-sound.XXXXXX)
stop() {
  "$control" end || true
  rm -rf "$dir"
}
trap stop EXIT
export XDG_RUNTIME_DIR=$dir PULSE_COOKIE=$dir/cookie QUELLIN_SOUND_SERVER=$control
unset PULSE_SERVER PULSE_SINK
"$control" start
status=0
"$@" || status=$?
exit "$status"

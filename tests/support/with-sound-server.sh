#!/usr/bin/env bash
# Runs a command beside a sound server of its own: PulseAudio with one null
# sink (the default), reached through a private XDG_RUNTIME_DIR, so tests in
# parallel and a desktop's own server do not meet it. The server is stopped
# when the command ends; the command's status is returned.
#   tests/support/with-sound-server.sh COMMAND [ARGS...]
set -euo pipefail
command -v pulseaudio >/dev/null || { echo "with-sound-server: pulseaudio is not installed"; exit 1; }
dir=$(mktemp -d /tmp/quellin-sound.XXXXXX)
sink=quellin_$$
server=
stop() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi
  rm -rf "$dir"
}
trap stop EXIT
export XDG_RUNTIME_DIR=$dir PULSE_COOKIE=$dir/cookie
unset PULSE_SERVER PULSE_SINK
# Its state and configuration stay in the private folder too; it says it
# should not run as root, which is what these machines are.
XDG_CONFIG_HOME=$dir/config pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
  -L "module-null-sink sink_name=$sink" -L "module-native-protocol-unix auth-anonymous=1" \
  >"$dir/server.log" 2>&1 &
server=$!
for _ in $(seq 1 100); do
  pactl info >/dev/null 2>&1 && break
  kill -0 "$server" 2>/dev/null || { echo "with-sound-server: the server did not start:"; cat "$dir/server.log"; exit 1; }
  sleep 0.1
done
pactl info >/dev/null 2>&1 || { echo "with-sound-server: no answer from the server"; exit 1; }
status=0
"$@" || status=$?
exit "$status"

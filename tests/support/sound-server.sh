#!/usr/bin/env bash
# Starts, stops and upsets a private sound server: PulseAudio with one null
# sink, reached through the XDG_RUNTIME_DIR of the caller (a private folder,
# as with-sound-server.sh makes), so that it can be killed and started again
# on the same socket, or stopped and continued, while a test plays through it.
#   tests/support/sound-server.sh start    start it and wait until it answers
#   tests/support/sound-server.sh kill     SIGKILL, as a crash would
#   tests/support/sound-server.sh stop     SIGSTOP: there, but answering nothing
#   tests/support/sound-server.sh cont     SIGCONT after stop
#   tests/support/sound-server.sh end      end it (cont first) and wait for it
# The sink's name is QUELLIN_SINK, else quellin_ and the folder's name.
set -euo pipefail
dir=${XDG_RUNTIME_DIR:?sound-server: XDG_RUNTIME_DIR must name a private folder}
pidfile=$dir/quellin-server.pid
sink=${QUELLIN_SINK:-quellin_$(basename "$dir" | sed 's/.*\.//' | tr -c 'A-Za-z0-9_\n' _)}
running() { [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null; }
case ${1:-} in
  start)
    command -v pulseaudio >/dev/null || { echo "sound-server: pulseaudio is not installed"; exit 1; }
    running && { echo "sound-server: already running"; exit 1; }
    # Its state and configuration stay in the private folder too; it says it
    # should not run as root, which is what these machines are.
    XDG_CONFIG_HOME=$dir/config pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
      -L "module-null-sink sink_name=$sink" -L "module-native-protocol-unix auth-anonymous=1" \
      >>"$dir/server.log" 2>&1 </dev/null &
    echo $! >"$pidfile"
    for _ in $(seq 1 100); do
      PULSE_COOKIE=$dir/cookie pactl info >/dev/null 2>&1 && exit 0
      running || { echo "sound-server: the server did not start:"; cat "$dir/server.log"; exit 1; }
      sleep 0.1
    done
    echo "sound-server: no answer from the server"; exit 1 ;;
  kill) running && kill -KILL "$(cat "$pidfile")"; rm -f "$pidfile" ;;
  stop) running && kill -STOP "$(cat "$pidfile")" ;;
  cont) running && kill -CONT "$(cat "$pidfile")" ;;
  end)
    if running; then
      pid=$(cat "$pidfile")
      kill -CONT "$pid"; kill "$pid"
      for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
      kill -KILL "$pid" 2>/dev/null || true
    fi
    rm -f "$pidfile" ;;
  *) echo "usage: sound-server.sh start|kill|stop|cont|end"; exit 2 ;;
esac

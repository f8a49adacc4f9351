#!/usr/bin/env bash
# Without a display the player must say why it cannot start and exit with 1,
# not crash.
set -uo pipefail
build=${QUELLIN_BUILD_DIR:-build}
out=$(DISPLAY=:4242 WAYLAND_DISPLAY= timeout 60 "$build/quellin" 2>&1)
status=$?
echo "$out"
[ "$status" -eq 1 ] || { echo "exit status $status, expected 1"; exit 1; }
# Which step fails depends on the video drivers SDL finds; each has its line.
grep -Eq '^TGLWindow::Init - (SDL could not initialize|Window could not be created|OpenGL context could not be created|Error initializing GLEW)!' <<<"$out" \
  || { echo "no log line"; exit 1; }
grep -q '^The show cannot start: ' <<<"$out" || { echo "no explanation line"; exit 1; }

#!/usr/bin/env bash
# Runs a test under an X server of its own: the dialog tests drive the one
# mouse pointer of their display and must not share it with other tests.
unset DISPLAY
exec "$(dirname "$0")/../../scripts/with-display.sh" "$@"

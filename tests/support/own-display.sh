# Sourced by the end-to-end scripts that drive the display's one mouse pointer
# or keyboard: re-runs the sourcing script on an X server of its own, so tests
# running beside it cannot move the pointer or take the focus under it.
if [ -z "${QUELLIN_OWN_DISPLAY:-}" ]; then
  export QUELLIN_OWN_DISPLAY=1
  unset DISPLAY
  exec "$(dirname "${BASH_SOURCE[0]}")/../../scripts/with-display.sh" bash "$0" "$@"
fi

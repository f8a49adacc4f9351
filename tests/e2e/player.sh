# Shared by the end-to-end scripts that play the show (sourced, not a test,
# after own-display.sh): the player binary, a scratch folder $work removed at
# the end with the player stopped, its output $out, `fail`, the dialog helpers
# of dialog.sh, and:
#   play_in_scratch LINKS...   the working directory becomes $work, with the
#                              named folders of the repository linked into it
#   wait_for_frames N          until the clock's log (QUELLIN_SYNC_LOG) has N frames
#   end_with_status_zero       Escape ends the show with status 0
build=${QUELLIN_BUILD_DIR:-build}
binary=$(realpath "$build/quellin")
repo=$PWD
work=$(mktemp -d)
out=$work/output
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $1"; tail -n 40 "$out"; exit 1; }
# shellcheck source=tests/e2e/dialog.sh
. "$(dirname "${BASH_SOURCE[0]}")/dialog.sh"

play_in_scratch() {
  [ -d "$repo/newresources/danceexport/009" ] || { echo "no show data: run scripts/make-show-data.sh"; exit 1; }
  for folder in "$@"; do ln -s "$repo/$folder" "$work/"; done
  cd "$work"
}

wait_for_frames() {
  for _ in $(seq 1 1200); do
    [ "$(cat "$QUELLIN_SYNC_LOG" 2>/dev/null | wc -l)" -ge "$1" ] && return 0
    kill -0 "$pid" 2>/dev/null || fail "the player ended before $1 frames"
    sleep 0.05
  done
  fail "no $1 show frames within 60 s"
}

end_with_status_zero() {
  end_with_escape || fail "Escape did not end the show"
  local status=0
  wait "$pid" || status=$?
  pid=
  [ "$status" -eq 0 ] || fail "exit status $status, expected 0"
}

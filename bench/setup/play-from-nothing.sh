#!/usr/bin/env bash
# From nothing to the first show frame on a bare Debian 12, as a new viewer
# gets there: copies a bare system (made once with
#   debootstrap bookworm BASE http://deb.debian.org/debian
# ) to WORK/root, puts the repository at COMMIT in /root/quellin there, runs
# ./play.sh as root in a chroot (/proc, /sys, /dev bound) on an X display of
# this machine, clicks through the dialog as dialog.sh does (1280 x 720,
# Windowed, Run) and waits for the first show frame. Prints what apt fetched
# and installed and the seconds from the start of ./play.sh to each stage.
#   bench/setup/play-from-nothing.sh BASE COMMIT WORK
# Needs root, xdotool and a display (a private Xvfb when DISPLAY is unset).
set -euo pipefail
[ $# -eq 3 ] || { sed -n '2,12p' "$0"; exit 2; }
base=$(realpath "$1") commit=$2 work=$(realpath -m "$3")
repo=$(cd "$(dirname "$0")/../.." && pwd)
if [ -z "${DISPLAY:-}" ]; then exec "$repo/scripts/with-display.sh" "$0" "$@"; fi

root=$work/root
mkdir -p "$work"
rm -rf "$root"
cp -a "$base" "$root"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mkdir -p "$root/root/quellin"
git -C "$repo" archive "$commit" | tar -x -C "$root/root/quellin"
# The web tests' npm packages, as npm would install them (a set-up that asks
# for them gets them without the npm registry, which the chroot may not reach).
if [ -d "$repo/tests/web/node_modules" ]; then
  cp -a "$repo/tests/web/node_modules" "$root/root/quellin/tests/web/"
  touch "$root/root/quellin/tests/web/node_modules/.package-lock.json"
fi
mount --bind /proc "$root/proc"
mount --rbind /sys "$root/sys"
mount --rbind /dev "$root/dev"
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  sleep 1
  umount -R "$root/dev" "$root/sys" "$root/proc" 2>/dev/null || true
}
trap cleanup EXIT

packages_kb() { chroot "$root" dpkg-query -W -f='${Installed-Size}\n' | awk '{s += $1} END {print s}'; }
archives_kb() { du -sk "$root/var/cache/apt/archives" | cut -f1; }
installed_before=$(packages_kb) fetched_before=$(archives_kb) count_before=$(chroot "$root" dpkg-query -W | wc -l)

start=$(date +%s.%N)
since() { awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN{printf "%.0f", b - a}'; }
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  DISPLAY="$DISPLAY" QUELLIN_SYNC_LOG=/tmp/sync.log bash -c 'cd /root/quellin && exec ./play.sh' \
  >"$work/play.log" 2>&1 &
pid=$!

# Stages, seen from outside: apt done when the build folder appears, the
# build done when the show data starts, the data done when the dialog shows.
src=$root/root/quellin
built= data= dialog=
while [ -z "$dialog" ]; do
  kill -0 "$pid" 2>/dev/null || { echo "play.sh ended early:"; tail -n 30 "$work/play.log"; exit 1; }
  [ -z "$built" ] && [ -d "$src/build" ] && built=$(since)
  [ -z "$data" ] && [ -d "$src/newresources/danceexport" ] && data=$(since)
  dialog=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1 || true)
  sleep 1
done
dialog_at=$(since)
# shellcheck source=tests/e2e/dialog.sh
. "$repo/tests/e2e/dialog.sh"
sleep 0.5
xdotool mousemove --window "$dialog" 190 200
sleep 0.3
click_row 3; click_row 3; click_row 3; click_row 4
run_at=$(date +%s.%N)
press_run
for _ in $(seq 1 600); do
  [ -s "$root/tmp/sync.log" ] && break
  kill -0 "$pid" 2>/dev/null || { echo "the player ended after Run:"; tail -n 30 "$work/play.log"; exit 1; }
  sleep 0.1
done
[ -s "$root/tmp/sync.log" ] || { echo "no show frame within 60 s of Run"; exit 1; }
first_frame=$(since)
from_run=$(awk -v a="$run_at" -v b="$(date +%s.%N)" 'BEGIN{printf "%.1f", b - a}')
# A look at the show a few seconds in (its very first frames are dark).
sleep 4
import -window root "$work/show.png" 2>/dev/null || true
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
pid=

installed=$(($(packages_kb) - installed_before)) fetched=$(($(archives_kb) - fetched_before))
count=$(($(chroot "$root" dpkg-query -W | wc -l) - count_before))
echo "commit $(git -C "$repo" rev-parse --short "$commit"): $count packages, $((fetched / 1024)) MB fetched, $((installed / 1024)) MB installed"
echo "seconds from ./play.sh: apt done ${built:-?}, build done ${data:-?}, dialog $dialog_at, first show frame $first_frame ($from_run after Run)"
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"

#!/usr/bin/env bash
# A sync from the window against the same sync by drovan-sync: N small files
# copied into an empty folder, the window under Xvfb with a window manager
# and Qt's real xcb platform, its main page shown; once with an empty log
# pane and once with LINES lines already in it. Runs interleaved, prints the
# median of each and the ratios last.
# Needs a release build: cmake --preset release && cmake --build --preset release
#
#   bench/window_vs_cli.sh [-n FILES] [-r ROUNDS] [-l LINES] [-w PARENT]
#
# PARENT holds the work folder (default /tmp); a tmpfs there takes the
# disk's own noise out of the comparison.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
bin=${DROVAN_BIN:-$repo/build/release/bin}
cli=$bin/drovan-sync
window=$bin/window_sync_bench
for tool in "$cli" "$window"; do
  [ -x "$tool" ] || { echo "build the release preset first ($tool)" >&2; exit 1; }
done
command -v Xvfb >/dev/null || { echo "Xvfb is needed (package xvfb)" >&2; exit 1; }

files=20000
rounds=5
lines=100000
parent=/tmp
while getopts "n:r:l:w:" opt; do
  case $opt in
    n) files=$OPTARG ;;
    r) rounds=$OPTARG ;;
    l) lines=$OPTARG ;;
    w) parent=$OPTARG ;;
    *) exit 64 ;;
  esac
done

work=$(mktemp -d "$parent/window-bench.XXXXXX")
xpid=
wmpid=
cleanup() {
  [ -z "$wmpid" ] || kill "$wmpid" 2>/dev/null || true
  [ -z "$xpid" ] || kill "$xpid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Small files (100 B to 4 KiB) in 200 folders, with whole even-second times.
python3 - "$work/src" "$files" <<'PY'
import os, random, sys
root, n = sys.argv[1], int(sys.argv[2])
rng = random.Random(1)
for i in range(n):
    folder = os.path.join(root, "d%03d" % (i % 200))
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "file%05d.txt" % i)
    with open(path, "wb") as f:
        f.write(rng.randbytes(rng.randint(100, 4096)))
    t = 1_600_000_000 + 2 * i
    os.utime(path, (t, t))
PY

display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xpid=$!
export DISPLAY=$display
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
if command -v openbox >/dev/null; then
  openbox >"$work/wm.log" 2>&1 &
  wmpid=$!
  sleep 0.5
fi
export QT_QPA_PLATFORM=xcb

fresh() { rm -rf "$work/dst"; mkdir "$work/dst"; sync; }
now() { date +%s.%N; }

: >"$work/cli" >"$work/empty" >"$work/full"
for r in $(seq "$rounds"); do
  fresh
  t0=$(now)
  "$cli" --no-progress --disk "$work/src" --usb "$work/dst" --mode disk-to-usb >/dev/null
  t1=$(now)
  awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.3f\n", b - a}' >>"$work/cli"
  fresh
  "$window" "$work/src" "$work/dst" 2>/dev/null >>"$work/empty"
  fresh
  "$window" "$work/src" "$work/dst" "$lines" 2>/dev/null >>"$work/full"
  printf 'round %d: cli %.3f s, window %.3f s, window with %d lines %.3f s\n' "$r" \
    "$(tail -1 "$work/cli")" "$(tail -1 "$work/empty")" "$lines" "$(tail -1 "$work/full")"
done

median() { sort -g "$1" | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2}'; }
c=$(median "$work/cli")
e=$(median "$work/empty")
f=$(median "$work/full")
printf '%d files, %d rounds, medians: drovan-sync %.3f s, window %.3f s, window with %d lines %.3f s\n' \
  "$files" "$rounds" "$c" "$e" "$lines" "$f"
printf 'ratio window/cli: %.2f (empty pane), %.2f (%d lines in the pane)\n' \
  "$(awk -v a="$e" -v b="$c" 'BEGIN {print a / b}')" "$(awk -v a="$f" -v b="$c" 'BEGIN {print a / b}')" "$lines"

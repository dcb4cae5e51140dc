#!/usr/bin/env bash
# System calls per copied file of one initial copy by drovan-sync onto an
# exFAT and a FAT32 stick through FUSE (each call on a path or descriptor of
# the stick is a round trip to the drive process, or more): the calls that
# touch the stick, by name, and all calls of the process. Needs root, strace
# and a release build.
#
#   bench/stick_syscalls.sh [-n FILES] [TOOL]
#
# The tree is the shared harness's (mktree.py, names spelled as ASCII, which
# fusefat needs) with FILES files in its 1 110 folders.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
n=1000
if [ "${1:-}" = "-n" ]; then n=$2; shift 2; fi
tool=${1:-$repo/build/release/bin/drovan-sync}
mktree=${DROVAN_BENCH_HARNESS:-$repo/../shared/bench/compare.sh}
mktree=$(dirname "$mktree")/mktree.py
[ -x "$tool" ] || { echo "build the release preset first" >&2; exit 1; }
[ -f "$mktree" ] || { echo "mktree.py not found: $mktree" >&2; exit 1; }
[ "$(id -u)" = 0 ] || { echo "needs root (mount)" >&2; exit 1; }
command -v strace > /dev/null || { echo "needs strace (scripts/deps.sh)" >&2; exit 1; }
# shellcheck source=bench/stick_mount.sh
source "$here/stick_mount.sh"

work=$(mktemp -d /var/tmp/drovan-syscalls.XXXXXX)
trap 'unmount_stick; rm -rf "$work"' EXIT
python3 - "$mktree" "$work/mktree.py" <<'PY'
import sys
src = open(sys.argv[1], encoding="utf-8").read()
open(sys.argv[2], "w", encoding="utf-8").write("".join(c if ord(c) < 128 else "u%04x" % ord(c) for c in src))
PY
python3 "$work/mktree.py" gen "$work/src" -n "$n" --seed 1 > /dev/null

for kind in exfat fat32; do
  mount_stick "$kind" "$work/$kind.img" "$work/$kind" "$work/mount.log" 4
  dst=$work/$kind/dst
  mkdir "$dst"
  sync
  strace -f -qq -y -o "$work/trace" "$tool" --no-progress --disk "$work/src" --usb "$dst" --mode disk-to-usb \
    > /dev/null 2>&1 || { echo "drovan-sync failed on $kind" >&2; exit 1; }
  copied=$(find "$dst" -type f | wc -l)
  all=$(grep -cv -e '<unfinished' -e '^[0-9]* *+++' "$work/trace" || true)
  grep -F "$work/$kind" "$work/trace" | grep -v '<unfinished' | sed -E 's/^[0-9]+ +//; s/\(.*//; s/^<\.\.\. ([a-z0-9_]+) resumed.*/\1/' |
    sort | uniq -c | sort -rn > "$work/by-name"
  on=$(awk '{s += $1} END {print s}' "$work/by-name")
  echo "== $kind: $copied files copied, $(find "$dst" -mindepth 1 -type d | wc -l) folders made"
  awk -v f="$copied" -v on="$on" -v all="$all" 'BEGIN {
      printf "on the stick: %d calls, %.1f per copied file; all calls: %d, %.1f per copied file\n", on, on / f, all, all / f }'
  awk -v f="$copied" '{ printf "  %-18s %7d  %5.2f per file\n", $2, $1, $1 / f }' "$work/by-name"
  unmount_stick
done

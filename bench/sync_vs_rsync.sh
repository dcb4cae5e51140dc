#!/usr/bin/env bash
# Times drovan-sync against rsync with the shared harness: initial copy,
# no-op, incremental and one large file, for 20 000 and 100 000 files, with
# the data flushed to disk; then the peak memory of a 100 000-file no-op.
# `cp -a` runs beside them for the copies (the floor for a plain copy).
# drovan keeps old versions (the default); drovan-noversions runs without.
# Needs a release build: cmake --preset release && cmake --build --preset release
#
#   bench/sync_vs_rsync.sh [-n "20000 100000"] [-r RUNS] [extra compare.sh options]
#
# With --stick, the target is a USB stick instead: an exFAT drive (exfat-fuse)
# and/or a FAT32 drive (fusefat) on a sparse image file, the source an
# ordinary folder; initial copy, no-op and incremental, against rsync as a
# user runs it onto such a drive. Needs root and /dev/fuse.
#
#   bench/sync_vs_rsync.sh --stick "exfat fat32" [-n 20000] [-r RUNS] [extra compare.sh options]
#
# DROVAN_SYNC names another drovan-sync binary (e.g. an older build).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
harness=${DROVAN_BENCH_HARNESS:-$repo/../shared/bench/compare.sh}
tool=${DROVAN_SYNC:-$repo/build/release/bin/drovan-sync}
[ -x "$tool" ] || { echo "build the release preset first" >&2; exit 1; }
[ -x "$harness" ] || [ -f "$harness" ] || { echo "harness not found: $harness" >&2; exit 1; }

sticks=""
sizes="20000 100000"
runs=3
if [ "${1:-}" = "--stick" ]; then sticks=$2; sizes=20000; shift 2; fi
if [ "${1:-}" = "-n" ]; then sizes=$2; shift 2; fi
if [ "${1:-}" = "-r" ]; then runs=$2; shift 2; fi

if [ -n "$sticks" ]; then
  exec bash "$here/stick_bench.sh" "$harness" "$tool" "$sticks" "$sizes" "$runs" "$@"
fi

# The old versions are moved out of the two trees after each run (a rename
# each), where the harness does not look, and removed at the end.
aside='for f in {SRC} {DST}; do [ ! -e $f/.~drovan-versions ] || mv $f/.~drovan-versions $f.versions.$$.$RANDOM; done'

for n in $sizes; do
  echo "=== $n files"
  bash "$harness" -n "$n" -r "$runs" --flush --timer loop \
    -t "drovan=$tool --no-progress --disk {SRC} --usb {DST} --mode disk-to-usb && { $aside; }" \
    -t "drovan-noversions=$tool --no-progress --no-versions --disk {SRC} --usb {DST} --mode disk-to-usb" \
    -t "cp@a,d=cp -a {SRC}/. {DST}/" "$@"
done

#!/usr/bin/env bash
# The stick runs of sync_vs_rsync.sh (called by it with --stick): for each
# drive kind, a sparse image formatted and mounted through FUSE, the
# harness's DST on it and SRC on the ordinary disk. Each drive's results are
# kept in /tmp/stick-results-KIND-N-DATE.txt; after a failure the work
# folder is kept too.
#
#   stick_bench.sh HARNESS TOOL "exfat fat32" "N..." RUNS [extra compare.sh options]
#
# DROVAN_BEFORE names a second drovan-sync (an older build), timed beside
# the first as drovan-before. STICK_RSYNC_BACKUP=1 adds rsync with the same
# net as the old versions (-b --backup-dir on the same drive), as
# rsync-backup.
#
# The harness assumes DST is an ordinary folder it may remove and fill with
# `rsync -a`; neither holds on a stick. It runs from a copy made here, with
# these changes and no others (each checked to apply):
#  - DST is a link to a folder on the drive; the preparations empty that
#    folder instead of replacing the link, and the content and hard-link
#    checks look through the link;
#  - the reference and the untimed preparations use the rsync below;
#  - FAT32 only: the tree's names beyond ASCII are spelled as ASCII (each
#    such character as uXXXX), since fusefat refuses them.
# Reference rsync, as a user runs it onto such a drive:
#   rsync -rlt --delete --modify-window=1 --no-perms --no-owner --no-group
# On fusefat it also needs --inplace: fusefat gives a renamed file the time
# of the rename, so rsync's temporary file would lose the source's time. And
# fusefat refuses chmod (ENOSYS) and a truncation that does not shorten a
# file (EPERM), which rsync reports with exit status 23 on every run; that
# status is taken as success there, the harness checking the result as for
# any other run.
set -euo pipefail
harness=$1 tool=$2 kinds=$3 sizes=$4 runs=$5
shift 5
[ "$(id -u)" = 0 ] || { echo "stick runs need root (mount)" >&2; exit 1; }
for c in mkfs.exfat mount.exfat-fuse losetup mkfs.vfat fusefat rsync; do
  command -v "$c" > /dev/null || { echo "stick runs need $c" >&2; exit 1; }
done
gib=${STICK_GIB:-4}
opts='--delete --modify-window=1 --no-perms --no-owner --no-group'

patch_once() {  # patch_once FILE PYTHON-OLD PYTHON-NEW: replaces every copy, at least one
  python3 - "$@" <<'PY'
import sys
path, old, new = sys.argv[1:4]
text = open(path, encoding="utf-8").read()
if old not in text:
    sys.exit(f"harness changed: '{old}' not found in {path}")
open(path, "w", encoding="utf-8").write(text.replace(old, new))
PY
}

make_harness() {  # make_harness KIND DIR: the harness copy for that drive
  local kind=$1 dir=$2 flags=-rlt ok=''
  mkdir -p "$dir"
  cp "$harness" "$dir/compare.sh"
  cp "$(dirname "$harness")/mktree.py" "$dir/mktree.py"
  if [ "$kind" = fat32 ]; then
    flags='-rlt --inplace'; ok=' || [ $? = 23 ]'
    python3 - "$dir/mktree.py" <<'PY'
import sys
p = sys.argv[1]
src = open(p, encoding="utf-8").read()
open(p, "w", encoding="utf-8").write("".join(c if ord(c) < 128 else "u%04x" % ord(c) for c in src))
PY
  fi
  printf '#!/bin/sh\nrsync %s %s "$@"%s\n' "$flags" "$opts" "$ok" > "$dir/stick-rsync"
  chmod +x "$dir/stick-rsync"
  REF="{ rsync $flags $opts {SRC}/ {DST}/$ok; }"
  local h=$dir/compare.sh r=$dir/stick-rsync
  patch_once "$h" "RSYNC_REF='rsync -a --delete {SRC}/ {DST}/'" "RSYNC_REF=\$STICK_REF"
  patch_once "$h" 'a) rm -rf "$W/dst" && mkdir "$W/dst" || return 1 ;;' 'a) find "$W/dst/" -mindepth 1 -delete || return 1 ;;'
  patch_once "$h" 'rsync -a --delete "$W/src/" "$W/dst/"' "$r \"\$W/src/\" \"\$W/dst/\""
  patch_once "$h" 'rsync -a --delete "$W/base/" "$W/dst/"' "$r \"\$W/base/\" \"\$W/dst/\""
  patch_once "$h" 'rsync -a --delete "$SRC/" "$DST/"' "$r \"\$SRC/\" \"\$DST/\""
  patch_once "$h" 'rm -rf "$SRC" "$DST" "$BASE"' 'rm -rf "$SRC" "$BASE"'
  patch_once "$h" 'diff -rq --no-dereference "$s" "$d"' 'diff -rq --no-dereference "$s" "$d/"'
  patch_once "$h" 'hl=$(find "$d" -type f' 'hl=$(find "$d/" -type f'
}

# shellcheck source=bench/stick_mount.sh
source "$(dirname "$0")/stick_mount.sh"

# DROVAN_STICK_DIR puts the images and the source elsewhere (a tmpfs, where
# a slow host disk would hide the drive's own costs).
base=$(mktemp -d "${DROVAN_STICK_DIR:-/var/tmp}/drovan-stick.XXXXXX")
trap 'rc=$?; unmount_stick; if [ $rc = 0 ]; then rm -rf "$base"; else echo "stick runs failed; kept $base" >&2; fi' EXIT

for kind in $kinds; do
  case $kind in exfat | fat32) ;; *) echo "unknown drive kind $kind (exfat, fat32)" >&2; exit 64 ;; esac
  for n in $sizes; do
    dir=$base/$kind-$n
    mkdir -p "$dir/work"
    make_harness "$kind" "$dir/harness"
    point=$dir/stick
    mount_stick "$kind" "$dir/stick.img" "$point" "$dir/mount.log" "$gib"
    mkdir "$point/dst" "$point/aside"
    ln -s "$point/dst" "$dir/work/dst"
    # Old versions go aside on their own drive: a rename, not a copy. (The
    # incremental run's settle copies files that the mutation made newer on
    # the stick back into SRC, so SRC gets some too.)
    aside="{ [ ! -e {SRC}/.~drovan-versions ] || mv {SRC}/.~drovan-versions {SRC}.versions.\$\$.\$RANDOM; }"
    aside+=" && { [ ! -e {DST}/.~drovan-versions ] || mv {DST}/.~drovan-versions $point/aside/\$\$.\$RANDOM; }"
    echo "=== $kind, $n files (drive image ${gib} GiB, source on $(df --output=fstype "$dir" | tail -1))"
    extra=()
    if [ -n "${DROVAN_BEFORE:-}" ]; then
      extra=(-t "drovan-before=$DROVAN_BEFORE --no-progress --disk {SRC} --usb {DST} --mode disk-to-usb && { $aside; }")
    fi
    if [ "${STICK_RSYNC_BACKUP:-}" = 1 ]; then
      flags=-rlt ok=''
      if [ "$kind" = fat32 ]; then flags='-rlt --inplace'; ok=' || [ $? = 23 ]'; fi
      extra+=(-t "rsync-backup={ rsync $flags $opts -b --backup-dir=$point/aside/rsync.\$\$.\$RANDOM {SRC}/ {DST}/$ok; }")
    fi
    STICK_REF=$REF bash "$dir/harness/compare.sh" -w "$dir/work" -n "$n" -r "$runs" -s a,b,c --flush --timer loop --no-mem \
      -t "drovan=$tool --no-progress --disk {SRC} --usb {DST} --mode disk-to-usb && { $aside; }" "${extra[@]}" \
      -t "drovan-noversions=$tool --no-progress --no-versions --disk {SRC} --usb {DST} --mode disk-to-usb" "$@"
    echo "reference (shown as rsync): $REF"
    out=/tmp/stick-results-$kind-$n-$(date +%Y%m%d-%H%M%S).txt
    { cat "$dir/work/machine.txt" "$dir/work/results.txt"; echo "reference (shown as rsync): $REF"; } > "$out"
    echo "results: $out"
    unmount_stick
    rm -rf "$dir"
  done
done

# Sourced by the stick benchmarks: a sparse image formatted as exFAT or
# FAT32 and mounted through FUSE, as tests/support/fuse_mount.cpp does.
#
#   mount_stick KIND IMAGE MOUNTPOINT LOG GIB   (KIND exfat or fat32)
#   unmount_stick                               (the last one mounted)

stick_loop=""
stick_point=""

mount_stick() {
  local kind=$1 image=$2 point=$3 log=$4 gib=$5
  truncate -s "${gib}G" "$image"
  mkdir -p "$point"
  if [ "$kind" = exfat ]; then
    mkfs.exfat -L DROVAN "$image" >> "$log" 2>&1
    stick_loop=$(losetup -f --show "$image")   # exfat-fuse run by root wants a block device
    mount.exfat-fuse "$stick_loop" "$point" >> "$log" 2>&1
  else
    mkfs.vfat -F 32 -s 8 "$image" >> "$log" 2>&1   # 4 KiB clusters: fusefat sees no room with smaller
    fusefat -o rw+ -o attr_timeout=0 "$image" "$point" 2>> "$log"
  fi
  stick_point=$point
  mountpoint -q "$point" || { echo "cannot mount the $kind image (see $log)" >&2; return 1; }
}

unmount_stick() {
  if [ -n "$stick_point" ] && mountpoint -q "$stick_point"; then
    umount "$stick_point" || { sleep 1; umount "$stick_point" 2> /dev/null || true; }
  fi
  if [ -n "$stick_loop" ]; then losetup -d "$stick_loop" 2> /dev/null || true; fi
  stick_loop=""
  stick_point=""
}

#!/usr/bin/env bash
# The portable bundle on a bare system: a minimal Debian root without Qt or
# ICU gets a copy of build/bundle/CorvelDrovan, and there
#   1. every program and plugin resolves its libraries (bundle or system list);
#   2. drovan-sync synchronises two small trees, both ways;
#   3. the window starts under Xvfb with the real xcb platform from a folder
#      marked as removable (the DROVAN_TEST_MOUNTINFO/DROVAN_TEST_SYSFS seam),
#      is photographed, closed as by its close box, and has written its
#      configuration beside the program;
#   4. a copy whose files carry no execute bit starts through the launcher
#      (sh CorvelDrovan.sh), for the command line and the window, and its
#      configuration lands beside the program, not beside the loader;
#   5. the bundle inside an exFAT test drive: the first start finds no
#      configuration and writes it beside the program at the orderly end.
# Pictures go to build/bundle-test/*.png. Needs root (chroot, mounts).
# Skips, saying why, when the package registry cannot be reached.
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$(pwd)
source scripts/bundle_libs.sh
source tests/bundle/bare_root.sh

if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP bundle test: needs root for chroot and mounts"
  exit 0
fi
for tool in Xvfb xdotool import python3 patchelf; do
  command -v "$tool" >/dev/null || { echo "bundle test: $tool is missing (scripts/deps.sh)" >&2; exit 1; }
done
[ -x build/bundle/CorvelDrovan/CorvelDrovan ] || scripts/make_bundle.sh

failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then
    echo "ok   $what"
  else
    echo "FAIL $what"
    failures=$((failures + 1))
  fi
}

echo "== the bundle's libraries on this machine"
check "programs and plugins take from the system only the allowed libraries" check_bundle_libraries build/bundle/CorvelDrovan

rc=0
make_bare_root_tar build/bundle-root.tar || rc=$?
if [ "$rc" = 2 ]; then
  echo "SKIP bundle test: debootstrap cannot reach the package registry (${DEBIAN_MIRROR:-http://deb.debian.org/debian})"
  exit 0
fi
[ "$rc" = 0 ] || exit 1

work=$repo/build/bundle-test
root=$work/root
mounts=()
loop=""
xvfb=""
cleanup() {
  set +e
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  local i
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do umount "${mounts[i]}" 2>/dev/null || umount -l "${mounts[i]}"; done
  [ -n "$loop" ] && losetup -d "$loop"
}
trap cleanup EXIT
mount_into() {  # mount_into TARGET MOUNT-ARGS...
  local target=$1
  shift
  mkdir -p "$target"
  mount "$@" "$target"
  mounts+=("$target")
}

# A fresh root each run; nothing of a previous run may be mounted in it.
if grep -q " $root" /proc/self/mountinfo; then
  echo "bundle test: $root still has mounts from an earlier run" >&2
  exit 1
fi
rm -rf "$work"
mkdir -p "$root"
tar -C "$root" -xf build/bundle-root.tar
mount_into "$root/proc" -t proc proc
mount_into "$root/dev" --bind /dev
mkdir -p "$root/tmp/.X11-unix"
mount_into "$root/tmp/.X11-unix" --bind /tmp/.X11-unix

in_root() {  # in_root [VAR=VALUE...] COMMAND...: a login-free shell of the bare system
  chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    XDG_RUNTIME_DIR=/tmp/runtime-root "$@"
}
mkdir -m 0700 -p "$root/tmp/runtime-root"

echo "== the bare system"
no_qt_or_icu() { ! ls "$root"/usr/lib/x86_64-linux-gnu/ | grep -qE '^lib(Qt6|icu)'; }
check "has neither Qt nor ICU" no_qt_or_icu

# The stick and the copy without execute bits are folders of the bare root;
# a fake mount table and sysfs describe them as removable drives.
mkdir -p "$root/opt/stick" "$root/opt/noexec" "$root/fake/sys/class/block"
cp -a build/bundle/CorvelDrovan "$root/opt/stick/"
cp -a build/bundle/CorvelDrovan "$root/opt/noexec/"
find "$root/opt/noexec" -type f -exec chmod a-x {} +
cat > "$root/fake/mountinfo" <<'EOF'
20 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw
21 20 8:16 / /opt/stick rw,relatime shared:2 - vfat /dev/sdz rw,showexec
22 20 8:32 / /opt/noexec rw,relatime shared:3 - vfat /dev/sdy rw,showexec
EOF
fake_disk() {  # fake_disk SYSFS NAME REMOVABLE
  mkdir -p "$1/block/$2"
  echo "$3" > "$1/block/$2/removable"
  ln -sfn "../../block/$2" "$1/class/block/$2"
}
fake_disk "$root/fake/sys" sda1 0
fake_disk "$root/fake/sys" sdz 1
fake_disk "$root/fake/sys" sdy 1
seam=(DROVAN_TEST_MOUNTINFO=/fake/mountinfo DROVAN_TEST_SYSFS=/fake/sys)

echo "== libraries inside the bare system"
resolves_all() {
  local file out=0
  for file in "$root"/opt/stick/CorvelDrovan/{CorvelDrovan,drovan-sync} "$root"/opt/stick/CorvelDrovan/plugins/*/*.so; do
    if in_root ldd "${file#"$root"}" | grep -q "not found"; then
      echo "  ${file#"$root"}:"; in_root ldd "${file#"$root"}" | grep "not found"; out=1
    fi
  done
  return "$out"
}
check "every program and plugin resolves all its libraries" resolves_all

echo "== drovan-sync on two small trees"
make_trees() {  # make_trees DIR: a disk tree with nested folders, CJK names, an empty file
  mkdir -p "$1/disk/项目/子 文件夹" "$1/disk/empty" "$1/usb"
  printf 'alpha\n' > "$1/disk/a.txt"
  printf '资料\n' > "$1/disk/项目/说明.txt"
  head -c 300000 /dev/urandom > "$1/disk/项目/子 文件夹/data.bin"
  : > "$1/disk/项目/zero"
}
make_trees "$root/data"
sync_log=$work/sync.log
sync_both_ways() {
  local launcher=("$@")
  rm -rf "$root/data/usb" && mkdir -p "$root/data/usb"
  in_root "${launcher[@]}" --disk /data/disk --usb /data/usb --mode disk-to-usb --no-progress > "$sync_log" 2>&1 || return 1
  grep -q "手动同步结束，用时" "$sync_log" || return 1
  diff -r -x .~drovan-versions "$root/data/disk" "$root/data/usb" || return 1
  # A change on the stick goes back to the disk in the automatic direction.
  sleep 1
  printf 'changed on the stick\n' > "$root/data/usb/项目/说明.txt"
  printf 'new\n' > "$root/data/usb/new.txt"
  in_root "${launcher[@]}" --disk /data/disk --usb /data/usb --no-progress >> "$sync_log" 2>&1 || return 1
  diff -r -x .~drovan-versions "$root/data/disk" "$root/data/usb" && grep -q "changed on the stick" "$root/data/disk/项目/说明.txt"
}
check "disk to stick, then a change on the stick back to the disk" sync_both_ways /opt/stick/CorvelDrovan/drovan-sync

echo "== the window under Xvfb (xcb)"
display=""
for n in $(seq 90 120); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
done
Xvfb "$display" -screen 0 1024x720x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
DISPLAY=$display xdotool getmouselocation >/dev/null || { echo "bundle test: Xvfb $display does not answer" >&2; cat "$work/xvfb.log" >&2; exit 1; }
config_name="Drovan配置文件(请勿删除).ini"

# window_run NAME CONFIG-FOLDER [VAR=VALUE...] COMMAND...: starts the window in
# the bare system, photographs its main page into NAME.png, closes it as the
# close box does and checks that it ended with 0 and wrote CONFIG-FOLDER's
# configuration, which was not there before.
window_run() {
  local name=$1 folder=$root$2 pid id status=0
  shift 2
  if [ -e "$folder/$config_name" ]; then echo "  a configuration is already there"; return 1; fi
  in_root DISPLAY="$display" QT_QPA_PLATFORM=xcb "$@" > "$work/$name.log" 2>&1 &
  pid=$!
  id=$(DISPLAY=$display timeout 30 xdotool search --sync --onlyvisible --name '^CorvelDrovan$' 2>"$work/$name.xdotool.log" | head -1) || true
  if [ -z "$id" ]; then
    echo "  no window appeared"; kill "$pid" 2>/dev/null; wait "$pid"; sed 's/^/  | /' "$work/$name.log"; return 1
  fi
  sleep 2  # painted
  DISPLAY=$display import -window root "$work/$name.png"
  DISPLAY=$display python3 tests/bundle/close_window.py "$id"
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
  if kill -0 "$pid" 2>/dev/null; then
    echo "  the window did not end after its close"; kill "$pid"; wait "$pid"; return 1
  fi
  wait "$pid" || status=$?
  [ "$status" = 0 ] || { echo "  ended with $status"; sed 's/^/  | /' "$work/$name.log"; return 1; }
  [ -s "$folder/$config_name" ] || { echo "  no configuration in $2"; return 1; }
  grep -q '^\[U盘\]' "$folder/$config_name" || { echo "  the configuration lacks its sections"; return 1; }
}
check "starts from the fake stick, shows its main page, writes its configuration at the end" \
  window_run window /opt/stick/CorvelDrovan "${seam[@]}" /opt/stick/CorvelDrovan/CorvelDrovan
seam_decides() {
  # Without folders of its own drovan-sync takes them from the configuration
  # beside it, after the same drive check as the window: passed on the fake
  # stick, refused on what the fake table calls the fixed disk.
  local refusal="对不起，请把本程序放至到U盘上使用!" out
  out=$(in_root "${seam[@]}" /opt/stick/CorvelDrovan/drovan-sync 2>&1) || true
  if grep -q "$refusal" <<< "$out"; then echo "  refused on the fake stick"; return 1; fi
  mkdir -p "$root/opt/fixed" && cp -a build/bundle/CorvelDrovan "$root/opt/fixed/"
  out=$(in_root "${seam[@]}" /opt/fixed/CorvelDrovan/drovan-sync 2>&1) && return 1
  grep -q "$refusal" <<< "$out" || { echo "  not refused on the fixed disk"; return 1; }
}
check "the drive check: the fake stick passes, the fixed disk is refused" seam_decides

echo "== the launcher on files without the execute bit"
not_executable() {
  ! in_root /opt/noexec/CorvelDrovan/CorvelDrovan --version > /dev/null 2>&1 &&
    ! find "$root/opt/noexec" -type f -perm /111 | grep -q .
}
check "the copy's files cannot be started directly" not_executable
check "drovan-sync through the launcher" sync_both_ways sh /opt/noexec/CorvelDrovan/CorvelDrovan.sh drovan-sync
check "the window through the launcher writes its configuration beside the program" \
  window_run launcher /opt/noexec/CorvelDrovan "${seam[@]}" sh /opt/noexec/CorvelDrovan/CorvelDrovan.sh
nothing_beside_loader() { ! find "$root/lib64" "$root/usr/lib/x86_64-linux-gnu" -maxdepth 1 -name "$config_name" | grep -q .; }
check "no configuration beside the loader" nothing_beside_loader

echo "== the first run from an exFAT stick"
exfat_first_run() {
  command -v mkfs.exfat >/dev/null && command -v mount.exfat-fuse >/dev/null && command -v losetup >/dev/null ||
    { echo "  SKIP: mkfs.exfat, mount.exfat-fuse or losetup missing"; return 0; }
  truncate -s 256M "$work/stick.img"
  mkfs.exfat -L DROVAN "$work/stick.img" > /dev/null
  loop=$(losetup -f --show "$work/stick.img") || { echo "  SKIP: no loop device"; loop=""; return 0; }
  mkdir -p "$root/media/stick"
  mount.exfat-fuse "$loop" "$root/media/stick" > /dev/null 2>&1 || { echo "  SKIP: mount.exfat-fuse failed"; return 0; }
  mounts+=("$root/media/stick")
  cp -r build/bundle/CorvelDrovan "$root/media/stick/"
  # The real mount table; only sysfs says that the loop device is removable.
  mkdir -p "$root/fake/exfat-sys/class/block"
  fake_disk "$root/fake/exfat-sys" "$(basename "$loop")" 1
  window_run exfat /media/stick/CorvelDrovan DROVAN_TEST_SYSFS=/fake/exfat-sys /media/stick/CorvelDrovan/CorvelDrovan || return 1
  cp "$root/media/stick/CorvelDrovan/$config_name" "$work/exfat-config.ini"
  # No folder was chosen: the stick's folder is stored as the drive root.
  grep -qE '^同步文件夹=$' "$root/media/stick/CorvelDrovan/$config_name" ||
    { echo "  the USB folder was stored as:"; grep '同步文件夹' "$root/media/stick/CorvelDrovan/$config_name"; return 1; }
}
check "exFAT stick: no configuration at first, written beside the program at the end" exfat_first_run

echo "pictures: $work/window.png $work/launcher.png $work/exfat.png"
if [ "$failures" -gt 0 ]; then
  echo "bundle test: $failures failed"
  exit 1
fi
echo "bundle test: all passed"

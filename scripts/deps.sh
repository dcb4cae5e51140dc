#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running need.
# Only runs apt-get when something is missing (or when FORCE_APT=1).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config python3 tzdata
  libicu-dev libgtest-dev libgmock-dev
  qt6-base-dev fonts-noto-cjk
  exfat-fuse exfatprogs fuse3 fusefat dosfstools rsync time strace
  clang libclang-rt-14-dev
  qt6-translations-l10n patchelf binutils debootstrap xvfb openbox xdotool imagemagick
  g++-mingw-w64-x86-64-posix googletest wine wine64 locales acl
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${FORCE_APT:-0}" = 1 ] || [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update
  $sudo apt-get install -y --no-install-recommends "${packages[@]}"
fi

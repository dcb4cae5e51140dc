# A minimal Debian root for the bundle test: debootstrap's minbase (no Qt,
# no ICU) plus only what the bundle takes from the system (X11, the core
# xcb libraries, the GL dispatch libraries, fontconfig, freetype) and a
# Chinese font, as a Chinese desktop has (ICU, which Mesa brings along, is
# removed again). Built once into
# build/bundle-root.tar and unpacked fresh for every run. Sourced.

bare_root_packages=(
  libx11-6 libx11-xcb1 libxcb1 libxcb-randr0 libxcb-render0 libxcb-shape0 libxcb-shm0
  libxcb-sync1 libxcb-xfixes0 libxcb-xkb1 libsm6 libice6
  libegl1 libglx0 libopengl0
  libfontconfig1 libfreetype6 fonts-wqy-microhei
)

# Makes $1 (the tar file) unless it exists. Returns 2 when the package
# registry cannot be reached, 1 on any other failure.
make_bare_root_tar() {
  local tar=$1 mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian} work
  [ -s "$tar" ] && return 0
  command -v debootstrap >/dev/null || { echo "debootstrap is not installed" >&2; return 1; }
  if ! timeout 20 bash -c "exec 3<>/dev/tcp/$(echo "$mirror" | sed -E 's|^[a-z]+://([^/:]+).*|\1|')/80" 2>/dev/null; then
    return 2
  fi
  work="$tar.work"
  rm -rf "$work"
  mkdir -p "$work"
  local packages
  packages=$(IFS=,; echo "${bare_root_packages[*]}")
  if ! debootstrap --variant=minbase --include="$packages" bookworm "$work" "$mirror" >"$tar.log" 2>&1; then
    grep -qiE "Failed getting release file|Temporary failure resolving|Could not resolve|Connection refused|unable to connect" "$tar.log" &&
      { rm -rf "$work"; return 2; }
    echo "debootstrap failed; see $tar.log" >&2
    rm -rf "$work"
    return 1
  fi
  # Mesa (which the GL dispatch libraries bring) reaches ICU through LLVM
  # and libxml2; ICU must not be on the system the bundle is proven on.
  chroot "$work" dpkg --purge --force-depends libicu72 >>"$tar.log" 2>&1 || { rm -rf "$work"; return 1; }
  rm -rf "$work/var/cache/apt/archives/"*.deb "$work/var/lib/apt/lists/"*
  tar -C "$work" -cf "$tar.part" . && mv "$tar.part" "$tar"
  rm -rf "$work"
}

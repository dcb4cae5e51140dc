# The libraries the bundle takes from the computer it runs on, and the checks
# of a laid-out bundle against that list. Sourced by make_bundle.sh and the
# bundle test.

# glibc's own libraries; X11 and the core xcb libraries (libxcb's own
# package); the GL dispatch libraries; fontconfig and freetype; and what
# those themselves need (expat, brotli, libbsd/libmd, libuuid). Every
# desktop has them, and taking them from the system keeps them in step with
# its X server and GL drivers. Everything else comes with the bundle.
system_libraries=(
  'ld-linux-x86-64\.so\.2' 'libc\.so\.6' 'libm\.so\.6' 'libdl\.so\.2' 'libpthread\.so\.0' 'librt\.so\.1'
  'libX11\.so\.6' 'libX11-xcb\.so\.1' 'libXau\.so\.6' 'libXdmcp\.so\.6' 'libSM\.so\.6' 'libICE\.so\.6'
  'libxcb\.so\.1' 'libxcb-(randr|render|shape|shm|sync|xfixes|xkb|xinerama|xinput|glx|present|dri2|dri3)\.so\.[0-9]+'
  'libGL\.so\.1' 'libGLX\.so\.0' 'libGLdispatch\.so\.0' 'libEGL\.so\.1' 'libOpenGL\.so\.0'
  'libfontconfig\.so\.1' 'libfreetype\.so\.6'
  'libexpat\.so\.1' 'libbrotlidec\.so\.1' 'libbrotlicommon\.so\.1' 'libbsd\.so\.0' 'libmd\.so\.0' 'libuuid\.so\.1'
)

is_system_library() {
  local pattern
  for pattern in "${system_libraries[@]}"; do
    [[ "$1" =~ ^${pattern}$ ]] && return 0
  done
  return 1
}

# The ELF files of a bundle: programs, libraries, plugins.
bundle_elves() {
  find "$1" -type f \( -name '*.so*' -o -name CorvelDrovan -o -name drovan-sync \) -print
}

# Fails, naming each, when a program or plugin of the bundle resolves a
# library outside the bundle that is not a system library, or cannot
# resolve one. (A bundled library on its own may reach zlib or libpng
# through the system's freetype; in the programs the bundle's own copies
# are loaded first.)
check_bundle_libraries() {
  local bundle dir bad=0 file soname arrow path rest
  bundle=$(readlink -f "$1")
  while read -r file; do
    while read -r soname arrow path rest; do
      [ "$arrow" = "=>" ] || continue
      if [ "$path" = not ]; then
        echo "bundle: $file: $soname not found" >&2; bad=1
      elif [[ "$(readlink -f "$path")" != "$bundle"/* ]] && ! is_system_library "$soname"; then
        echo "bundle: $file takes $soname from the system ($path)" >&2; bad=1
      fi
    done < <(ldd "$file" 2>&1)
  done < <(find "$bundle" -maxdepth 1 -type f \( -name CorvelDrovan -o -name drovan-sync \); find "$bundle/plugins" -name '*.so')
  return "$bad"
}

# The newest glibc symbol version any file of the bundle asks for.
lowest_glibc() {
  bundle_elves "$1" | xargs objdump -T 2>/dev/null | grep -o 'GLIBC_[0-9][0-9.]*' |
    sed 's/GLIBC_//' | sort -uV | tail -1
}

#!/usr/bin/env bash
# Builds the release preset and lays out the portable bundle in
# build/bundle/CorvelDrovan/: the two programs, every shared library they
# need that a bare Linux lacks, the Qt plugins a window needs on X11 (and so
# on Wayland through XWayland), qt.conf, Qt's Chinese translation, the
# launcher for sticks without the execute bit, and the user's note.
#
#   scripts/make_bundle.sh [--no-build] [--preset PRESET]
#
# PRESET (default release) is the build the programs come from; CI takes
# the ci build that the test suite has just made (stripped the same way).
#
# Ends with an error when any file of the bundle would take a library from
# the system that is not on the allowed list below (or cannot find one).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/bundle_libs.sh

build=1
preset=release
while [ $# -gt 0 ]; do
  case $1 in
    --no-build) build=0 ;;
    --preset) preset=$2; shift ;;
    *) echo "usage: $0 [--no-build] [--preset PRESET]" >&2; exit 64 ;;
  esac
  shift
done

if [ "$build" = 1 ]; then
  scripts/deps.sh
  cmake --preset "$preset"
  # Only the two programs: the tests and benchmarks are not shipped.
  cmake --build --preset "$preset" --target CorvelDrovan drovan-sync -- -j"${JOBS:-2}"
fi

bin=build/$preset/bin
qt_plugins=$(dirname "$(dirname "$(readlink -f /usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/libqxcb.so)")")
qt_translations=/usr/share/qt6/translations
out=build/bundle/CorvelDrovan
rm -rf build/bundle
mkdir -p "$out/lib" "$out/plugins" "$out/translations"

cp "$bin/CorvelDrovan" "$bin/drovan-sync" "$out/"
# The platform the window draws with, and the input methods (Chinese input
# through IBus, compose keys). No platform theme: it would pull in GTK, and
# Qt's own look serves.
for plugin in platforms/libqxcb.so \
              platforminputcontexts/libcomposeplatforminputcontextplugin.so \
              platforminputcontexts/libibusplatforminputcontextplugin.so; do
  mkdir -p "$out/plugins/$(dirname "$plugin")"
  cp "$qt_plugins/$plugin" "$out/plugins/$plugin"
done
cp "$qt_translations/qtbase_zh_CN.qm" "$qt_translations/qtbase_zh_TW.qm" "$out/translations/"

# Every library the programs and plugins reach, by ldd on this machine,
# except what the system provides; copied under its soname.
elves=("$out/CorvelDrovan" "$out/drovan-sync" "$out"/plugins/*/*.so)
ldd "${elves[@]}" 2>/dev/null | awk '$2 == "=>" && $3 ~ /^\// {print $1, $3}' | sort -u |
  while read -r soname path; do
    is_system_library "$soname" && continue
    cp -L "$path" "$out/lib/$soname"
  done

# Relative run paths, so the bundle finds its own libraries wherever it lies.
patchelf --set-rpath '$ORIGIN/lib' "$out/CorvelDrovan" "$out/drovan-sync"
for lib in "$out"/lib/*.so*; do patchelf --set-rpath '$ORIGIN' "$lib"; done
for plugin in "$out"/plugins/*/*.so; do patchelf --set-rpath '$ORIGIN/../../lib' "$plugin"; done
strip --strip-unneeded "$out/CorvelDrovan" "$out/drovan-sync" "$out"/lib/*.so* "$out"/plugins/*/*.so

cat > "$out/qt.conf" <<'EOF'
[Paths]
Prefix=.
Plugins=plugins
Translations=translations
EOF
install -m 0755 scripts/bundle/CorvelDrovan.sh "$out/CorvelDrovan.sh"
glibc=$(lowest_glibc "$out")
sed "s/@GLIBC@/$glibc/" scripts/bundle/使用说明.txt > "$out/使用说明.txt"

check_bundle_libraries "$out"
echo "bundle: $out, $(du -s --apparent-size --block-size=1M "$out" | cut -f1) MiB in $(find "$out" -type f | wc -l) files; needs glibc $glibc or newer"

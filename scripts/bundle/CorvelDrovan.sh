#!/bin/sh
# Starts CorvelDrovan from its bundle, also where the files carry no execute
# bit (FAT sticks mounted with "showexec"): then through the system's
# dynamic loader, which needs only read access.
#
#   sh CorvelDrovan.sh                 the window
#   sh CorvelDrovan.sh drovan-sync ... the command line, with its arguments
here=$(CDPATH= cd -- "$(dirname -- "$0")" && pwd -P) || exit 1
program="$here/CorvelDrovan"
if [ "${1:-}" = drovan-sync ]; then
  shift
  program="$here/drovan-sync"
fi
[ -x "$program" ] && exec "$program" "$@"

for loader in /lib64/ld-linux-x86-64.so.2 /lib/x86_64-linux-gnu/ld-linux-x86-64.so.2 /usr/lib64/ld-linux-x86-64.so.2; do
  if [ -r "$loader" ]; then
    # Started by the loader, Qt looks for qt.conf beside the loader; the
    # plugins are named here instead.
    QT_PLUGIN_PATH="$here/plugins"
    export QT_PLUGIN_PATH
    exec "$loader" "$program" "$@"
  fi
done
echo "CorvelDrovan: 找不到 x86-64 Linux 的动态链接器 (ld-linux-x86-64.so.2)" >&2
exit 127

#!/usr/bin/env bash
# Windows programs that make windows, under Wine with an X server of their
# own: Wine needs a display to make a window. The emulator of the window's
# tests; their prefix is apart from the other tests', so Wine's desktop there
# always starts with the display.
#
# Usage: xvfb.sh run STATE_DIR PROGRAM.exe [ARGS...]   (starts the server once)
#        xvfb.sh stop STATE_DIR                        (ends server and Wine)
set -euo pipefail

action=$1
state=$2
shift 2
mkdir -p "$state"
pidfile="$state/xvfb.pid"
displayfile="$state/display"

running() { [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null && [ -s "$displayfile" ]; }

start() {
  running && return 0
  rm -f "$displayfile"
  # -displayfd picks a free display number and writes it when ready.
  setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -ac 3>"$displayfile" </dev/null >/dev/null 2>&1 &
  echo $! >"$pidfile"
  for _ in $(seq 100); do
    [ -s "$displayfile" ] && return 0
    sleep 0.1
  done
  echo "xvfb.sh: the X server did not start" >&2
  return 1
}

case "$action" in
  run)
    exec 8>"$state/xvfb.lock"
    flock 8
    start
    flock -u 8
    exec 8>&-
    DROVAN_WINE_X=1 exec "$(dirname "$0")/wine_run.sh" "$state" "$@"
    ;;
  stop)
    # Wine's desktop holds the display; it ends with its server.
    "$(dirname "$0")/wine_run.sh" --stop "$state"
    if running; then kill "$(cat "$pidfile")"; fi
    rm -f "$pidfile" "$displayfile"
    ;;
  *)
    echo "usage: xvfb.sh run|stop STATE_DIR ..." >&2
    exit 2
    ;;
esac

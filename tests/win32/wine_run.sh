#!/usr/bin/env bash
# Runs a Windows test program under Wine: the emulator of the mingw preset.
#
# Usage: wine_run.sh STATE_DIR PROGRAM.exe [ARGS...]
#        wine_run.sh --stop STATE_DIR
#
# STATE_DIR (under the build folder) holds everything Wine needs, made on
# first use: a fresh prefix, a zh_CN UTF-8 locale (made by localedef, so Wine
# runs in the Chinese code page 936 rather than 1252), and the folder behind
# drive E:, which the registry marks as removable (GetDriveTypeW gives 2).
# One wineserver is kept running for the prefix while tests come, so a test
# process does not pay for starting one; the suite's last step ends it
# (wine_run.sh --stop STATE_DIR), else it ends after a quarter of an hour
# without a program. A shorter wait let it end between two tests while the
# window's tests ran in their own prefix, and the next test met a server
# on its way out. As root Wine ignores
# read-only attributes, so under root the program runs as the unprivileged
# system user drovan-wine (made on first use), which must be able to read
# the build folder.
set -euo pipefail

stop=0
if [ "${1:-}" = --stop ]; then
  stop=1
  shift
fi
state=$1
shift
user=drovan-wine

if [ "$stop" = 1 ]; then
  [ -d "$state/prefix" ] || exit 0
  if [ "$(id -u)" -eq 0 ] && id "$user" >/dev/null 2>&1; then
    setpriv --reuid="$user" --regid="$user" --clear-groups -- env WINEPREFIX="$state/prefix" HOME="$state/home" \
      wineserver -k 2>/dev/null || true
  else
    WINEPREFIX="$state/prefix" HOME="$state/home" wineserver -k 2>/dev/null || true
  fi
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  if ! id "$user" >/dev/null 2>&1; then
    # Two test processes may get here at once; the second finds the user made.
    flock /etc/passwd useradd --system --no-create-home --shell /usr/sbin/nologin "$user" 2>/dev/null || id "$user" >/dev/null
  fi
  mkdir -p "$state"
  chown "$user:" "$state"
  # A checkout in root's home is closed to other users: the test user is
  # let through (and only through) the folders on the way, by an ACL entry
  # of its own, which changes nothing for anyone else.
  dir=$(dirname "$(readlink -f "$1")")
  while [ "$dir" != / ]; do
    if ! setpriv --reuid="$user" --regid="$user" --clear-groups -- test -x "$dir" && command -v setfacl >/dev/null; then
      setfacl -m "u:$user:x" "$dir"
    fi
    dir=$(dirname "$dir")
  done
  if ! setpriv --reuid="$user" --regid="$user" --clear-groups -- test -r "$1"; then
    echo "wine_run.sh: $user cannot read $1; the build folder must be readable by other users" >&2
    exit 1
  fi
  exec setpriv --reuid="$user" --regid="$user" --clear-groups --reset-env -- \
    env PATH=/usr/local/bin:/usr/bin:/bin DROVAN_SOURCE_DIR="${DROVAN_SOURCE_DIR:-}" DROVAN_WINE_X="${DROVAN_WINE_X:-}" \
    "$0" "$state" "$@"
fi

mkdir -p "$state"
export HOME="$state/home" WINEPREFIX="$state/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$HOME"
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  export LOCPATH="$state/locale"
fi

# Programs that make windows get the X server that xvfb.sh started for this
# state folder, from the first process on, so Wine's desktop has it too.
if [ "${DROVAN_WINE_X:-}" = 1 ]; then
  if [ ! -s "$state/display" ]; then
    echo "wine_run.sh: no X server; run the program through tests/win32/xvfb.sh" >&2
    exit 1
  fi
  export DISPLAY=":$(cat "$state/display")"
fi

setup() {
  if [ -n "${LOCPATH:-}" ] && [ ! -d "$LOCPATH/zh_CN.UTF-8" ]; then
    mkdir -p "$LOCPATH"
    localedef -i zh_CN -f UTF-8 "$LOCPATH/zh_CN.UTF-8" >/dev/null 2>&1 || [ -d "$LOCPATH/zh_CN.UTF-8" ]
  fi
  if [ ! -f "$WINEPREFIX/.drovan-ready" ]; then
    rm -rf "$WINEPREFIX"
    wineboot -i </dev/null >/dev/null 2>&1
    wine reg add 'HKLM\Software\Wine\Drives' /v e: /t REG_SZ /d floppy /f </dev/null >/dev/null 2>&1
    mkdir -p "$state/drive-e"
    ln -sfn "$state/drive-e" "$WINEPREFIX/dosdevices/e:"
    wineserver -w
    touch "$WINEPREFIX/.drovan-ready"
  fi
  # One server for all test processes.
  # Wine's own services start with the first program of a server and keep
  # its standard streams open for as long as they run; they are started here
  # with none, so a caller reading a test's output sees it end with the test.
  # (wineserver fails, status 2, when one already runs for the prefix.)
  if wineserver -p900 </dev/null >/dev/null 2>&1; then
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
  fi
}

exec 9>"$state/setup.lock"
flock 9
setup
flock -u 9
exec 9>&-

export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
exec wine "$@"

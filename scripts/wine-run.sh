#!/usr/bin/env bash
# Runs one Windows program under wine64 the way every test of ours does:
#
#   scripts/wine-run.sh PREFIX PROGRAM.exe [ARGS...]
#
# - PREFIX is the build tree's own Wine prefix, created on first use and reused;
# - WINEDEBUG=-all keeps Wine's chatter out of test logs, and the mscoree/mshtml
#   overrides keep the Mono and Gecko add-on installers from popping up;
# - started as root, the program runs as the unprivileged test user instead, because
#   Wine run as root ignores read-only files and folders it could not write otherwise;
# - with no display, an Xvfb is started for the run.
# The exit code is the Windows program's.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/common.sh
. "$here/common.sh"

[ $# -ge 2 ] || { echo "usage: $0 PREFIX PROGRAM [ARGS...]" >&2; exit 2; }
prefix=$(realpath -m "$1"); shift

export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
ensure_display

as_user=()
if [ "$(id -u)" -eq 0 ]; then
  id "$TOVALU_TEST_USER" >/dev/null 2>&1 || { echo "no user $TOVALU_TEST_USER: run scripts/setup.sh" >&2; exit 2; }
  home=$(getent passwd "$TOVALU_TEST_USER" | cut -d: -f6)
  as_user=(setpriv --reuid="$TOVALU_TEST_USER" --regid="$TOVALU_TEST_USER" --init-groups
           env HOME="$home" USER="$TOVALU_TEST_USER" LOGNAME="$TOVALU_TEST_USER")
  # The test user must reach the program and the working folder: give the folders on the
  # way the search bit only (nothing becomes readable or writable that was not).
  for target in "$1" "$PWD" "$prefix"; do
    d=$(dirname "$(readlink -f "$target")")
    while [ "$d" != / ]; do
      perm=$(stat -c %A "$d")
      case ${perm:9:1} in x|t) ;; *) chmod o+x "$d" ;; esac
      d=$(dirname "$d")
    done
  done
  if [ ! -d "$prefix" ]; then
    mkdir -p "$prefix"
    chown "$TOVALU_TEST_USER": "$prefix"
  fi
fi

wine=$(command -v wine64 || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=wine

# Create the prefix once; parallel tests of the same tree wait for the first one.
(
  flock 9
  if [ ! -e "$prefix/system.reg" ]; then
    "${as_user[@]}" "$wine" wineboot.exe --init >/dev/null 2>&1 || true
    "${as_user[@]}" wineserver -w || true
  fi
) 9>"$prefix.lock"

if [ -n "${TOVALU_XVFB_PID:-}" ]; then
  # An Xvfb started above for this run is stopped by the exit trap, so no exec here.
  "${as_user[@]}" "$wine" "$@"
else
  # exec: a caller that stops this script stops the Windows program with it.
  exec "${as_user[@]}" "$wine" "$@"
fi

#!/usr/bin/env bash
# Sets the machine up, builds the installer and opens it under Wine on the sample payload,
# in a fresh scratch working folder (the installer looks for "DataFile" in its current
# directory and writes "PathFile.txt" there).
#
# With a display, the window opens for you. With none, an Xvfb is started, a screenshot is
# saved and its path printed, and the window is closed again.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/common.sh
. "$here/common.sh"
cd "$TOVALU_ROOT"

bash scripts/setup.sh
cmake --preset win32 >/dev/null && cmake --build --preset win32 >/dev/null
cmake --preset win64 >/dev/null && cmake --build --preset win64 >/dev/null
installer=$TOVALU_ROOT/build/win64/ui/Tovalu-v2-x64.exe
log "built: $installer and $TOVALU_ROOT/build/win32/ui/Tovalu-v2-x86.exe"

had_display=0
[ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 && had_display=1
ensure_display

scratch=$(mktemp -d /tmp/tovalu-run.XXXXXX)
cp -r tests/sample/DataFile "$scratch/"
[ "$(id -u)" -eq 0 ] && chown -R "$TOVALU_TEST_USER": "$scratch"
prefix=$TOVALU_ROOT/build/win64/run-prefix
log "working folder: $scratch (Wine prefix $prefix, drive C: is $prefix/drive_c)"

cd "$scratch"
if [ "$had_display" = 1 ]; then
  [ "$(id -u)" -eq 0 ] && xhost "+si:localuser:$TOVALU_TEST_USER" >/dev/null 2>&1 || true
  "$TOVALU_ROOT/scripts/wine-run.sh" "$prefix" "$installer" || rc=$?
  log "the installer ended with exit code ${rc:-0}"
  exit 0
fi

"$TOVALU_ROOT/scripts/wine-run.sh" "$prefix" "$installer" &
pid=$!
title="Installation du logiciel de gestion de production V.2 (2023)"
window=""
for _ in $(seq 1 600); do
  window=$(xdotool search --name "$title" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$window" ]; then
  wait "$pid"; rc=$?
  log "the installer opened no window and ended with exit code $rc"
  exit 0
fi
sleep 1  # let the first paint land before the picture is taken
shot=$scratch/installer.png
import -window root "$shot"
log "screenshot: $shot"
xdotool windowfocus --sync "$window" key --window "$window" alt+F4 2>/dev/null || true
wait "$pid" && log "the installer ended with exit code 0"

#!/usr/bin/env bash
# Sets the machine up, builds the installer and opens it under Wine on the sample payload,
# in a fresh scratch working folder (the installer looks for "DataFile" in its current
# directory and writes "PathFile.txt" there).
#
# With a display, the window opens for you. With none, an Xvfb is started and one installation
# is driven by real clicks ("Installer", then the final box); screenshots are saved and the
# places where the files, "PathFile.txt" and the desktop shortcut landed are printed.
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

# A fresh destination, so that no "Dossier existant" question stops the unattended run.
rm -rf "$prefix/drive_c/Tovalu"
"$TOVALU_ROOT/scripts/wine-run.sh" "$prefix" "$installer" &
pid=$!
title="Installation du logiciel de gestion de production V.2 (2023)"
window=""
for _ in $(seq 1 600); do
  # xdotool takes a pattern, where the title's parentheses would be a group.
  window=$(xdotool search --onlyvisible --name "^${title%% (*}" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$window" ]; then
  wait "$pid"; rc=$?
  log "the installer opened no window and ended with exit code $rc"
  exit 0
fi
# One installation by real input: "Installer" is clicked, the final box dismissed. A probe of
# the same Wine session follows the window's state and finds the buttons to click.
probe=$TOVALU_ROOT/build/win64/tests/e2e/install_probe.exe
wine_run() { "$TOVALU_ROOT/scripts/wine-run.sh" "$prefix" "$@"; }
watchlog=$scratch/watch.log
wine_run "$probe" watch 300 >"$watchlog" 2>/dev/null &
watcher=$!
# wait_for SECONDS TEXT: until the window's latest state holds TEXT.
wait_for() {
  local deadline=$((SECONDS + $1))
  while [ $SECONDS -lt $deadline ]; do
    case $(tail -n 1 "$watchlog") in *"$2"*) return 0 ;; esac
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}
click() {
  local deadline=$((SECONDS + 30)) point
  while [ $SECONDS -lt $deadline ]; do
    point=$(wine_run "$probe" point "$@" 2>/dev/null) && [ -n "$point" ] &&
      { xdotool mousemove $point click 1; return 0; }
    sleep 0.2
  done
  return 1
}
wait_for 60 "install=1" && import -window root "$scratch/1-idle.png"
click install || log "could not find the \"Installer\" button"
wait_for 60 "status=[Copie du fichier " && import -window root "$scratch/2-installing.png"
if wait_for 120 "Installation terminée!"; then
  import -window root "$scratch/3-done.png"
  click box 1
else
  import -window root "$scratch/3-done.png"
  log "no \"Installation terminée!\" box (last state: $(tail -n 1 "$watchlog")); ending the installer"
  kill "$pid" 2>/dev/null || true
fi
rc=0
wait "$pid" || rc=$?
kill "$watcher" 2>/dev/null || true
log "the installer ended with exit code $rc"
log "screenshots: $scratch/1-idle.png, 2-installing.png, 3-done.png"
log "installed files (c:\\Tovalu): $prefix/drive_c/Tovalu"
(cd "$prefix/drive_c/Tovalu" 2>/dev/null && find . -type f | sed 's/^/    /') || true
log "PathFile.txt: $scratch/PathFile.txt, holding: $(tr -d '\r' <"$scratch/PathFile.txt" 2>/dev/null)"
# Wine links the profile's "Desktop" to a Unix folder; the shortcut lands where that leads.
user=$(id -un); [ "$(id -u)" -eq 0 ] && user=$TOVALU_TEST_USER
desktop=$(find "$prefix/drive_c/users/$user" -maxdepth 1 -iname desktop | head -n 1)
log "shortcut: $desktop/Tovalu.lnk -> $(readlink -f "$desktop/Tovalu.lnk" 2>/dev/null)"
wine_run "$probe" shortcut "C:\\users\\$user\\desktop\\Tovalu.lnk" 2>/dev/null | tr -d '\r' | sed 's/^/    /'

#!/usr/bin/env bash
# Whole installations, performed as a user would: the installer runs under Wine on a private
# X display, "Installer" and the message boxes' buttons are clicked, the destination is typed;
# a probe program of the same Wine session watches the window's state and reads the shortcut.
#
#   install_e2e.sh PREFIX INSTALLER PROBE ARTEFACTS
#
# Every wait polls for the state it needs until a deadline; nothing relies on a fixed delay.
# Screenshots and the watch logs of each run are kept in ARTEFACTS. A failed check is counted
# and the runs go on, so that one report lists every fault.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/common.sh
. "$here/../../scripts/common.sh"

[ $# -eq 4 ] || { echo "usage: $0 PREFIX INSTALLER PROBE ARTEFACTS" >&2; exit 2; }
prefix=$1 installer=$2 probe=$3 artefacts=$4
rm -rf "$artefacts"
mkdir -p "$artefacts"

# A display of our own: our clicks must land on our windows, whatever else runs. The server
# picks a free number itself (-displayfd), so that two runs starting together cannot end up
# sharing one server that the first to finish then takes away.
start_private_display() {
  local numberfile=$artefacts/display i
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -ac -nolisten tcp 3>"$numberfile" >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill $xvfb_pid 2>/dev/null' EXIT
  for i in $(seq 1 100); do
    if [ -s "$numberfile" ]; then
      export DISPLAY=":$(head -n 1 "$numberfile")"
      xdpyinfo >/dev/null 2>&1 && return 0
    fi
    sleep 0.1
  done
  log "could not start Xvfb"
  exit 1
}
start_private_display

caption="INSTALLATION DU LOGICIEL Tovalu v2 - Gestion de la production (2023)"
done_box="box=[|Installation terminée!|1]"
shortcut_box="box=[Erreur|Le raccourci n'a pas pu être créé|1]"

# TOVALU_E2E_ONLY="default existing" runs only the named runs.
wanted() { [ -z "${TOVALU_E2E_ONLY:-}" ] || [[ " $TOVALU_E2E_ONLY " == *" $1 "* ]]; }

failures=0
fail() {
  log "FAIL: $*"
  failures=$((failures + 1))
}

# Files in the prefix and the working folders belong to the user that Wine runs as.
wine_user=$(id -un)
[ "$(id -u)" -eq 0 ] && wine_user=$TOVALU_TEST_USER
as_wine_user() {
  if [ "$(id -u)" -eq 0 ]; then
    setpriv --reuid="$TOVALU_TEST_USER" --regid="$TOVALU_TEST_USER" --init-groups "$@"
  else
    "$@"
  fi
}

wine_run() { "$TOVALU_ROOT/scripts/wine-run.sh" "$prefix" "$@"; }

# Creates the prefix on first use (the probe answers 1: no installer window).
wine_run "$probe" point install >/dev/null 2>&1 || true
drive_c=$prefix/drive_c
profile=$drive_c/users/$wine_user
[ -d "$profile" ] || { log "no profile folder $profile in the prefix"; exit 1; }

# Wine makes the profile's "Desktop" a link to the Unix home folder; a shortcut written there
# would leave the prefix. The installer writes into "desktop": give it a real folder.
use_real_desktop() {
  rm -rf "$profile/Desktop" "$profile/desktop"
  as_wine_user mkdir "$profile/desktop"
}
remove_desktop() { rm -rf "$profile/Desktop" "$profile/desktop"; }

# A working folder holding the payload: nested folders, "R&D.txt", accented names, and one
# binary file so that the byte-for-byte check has something to bite on.
new_workdir() {
  local with_payload=$1 dir
  dir=$(mktemp -d /tmp/tovalu-e2e.XXXXXX)
  if [ "$with_payload" = yes ]; then
    cp -r "$TOVALU_ROOT/tests/sample/DataFile" "$dir/"
    mkdir -p "$dir/DataFile/config/niveau 1/niveau 2"
    head -c 70000 /dev/urandom >"$dir/DataFile/config/niveau 1/niveau 2/données.bin"
    printf 'R&D: été\r\n' >"$dir/DataFile/docs/modèles/R&D.txt"
  fi
  [ "$(id -u)" -eq 0 ] && chown -R "$TOVALU_TEST_USER": "$dir"
  chmod 755 "$dir"
  echo "$dir" >>"$artefacts/workdirs"
  echo "$dir"
}

# --- one installer run -------------------------------------------------------------------
run_name="" workdir="" watchlog="" installer_pid="" watcher_pid=""

start_installer() {
  run_name=$1 workdir=$2
  watchlog=$artefacts/$run_name.watch.log
  : >"$watchlog"
  log "[$run_name] working folder $workdir"
  (cd "$workdir" && exec "$TOVALU_ROOT/scripts/wine-run.sh" "$prefix" "$installer") &
  installer_pid=$!
  (cd "$workdir" && exec "$TOVALU_ROOT/scripts/wine-run.sh" "$prefix" "$probe" watch 300) \
    >"$watchlog" 2>/dev/null &
  watcher_pid=$!
}

# Ends what is left of a run (after a failure): politely first, then for good.
stop_run() {
  local pid i
  for pid in "$installer_pid" "$watcher_pid"; do
    kill "$pid" 2>/dev/null || continue
    for i in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
  wait "$installer_pid" "$watcher_pid" 2>/dev/null || true
}

# The last state line of the watch log.
state() { grep -v '^t=[0-9]* gone$' "$watchlog" | tail -n 1; }

# wait_state SECONDS TEXT...: until the latest state line holds every TEXT (and none of the
# texts written "!TEXT").
wait_state() {
  local seconds=$1; shift
  local deadline=$((SECONDS + seconds)) line text ok
  while [ $SECONDS -lt $deadline ]; do
    line=$(state)
    ok=1
    for text in "$@"; do
      case $text in
        !*) case $line in *"${text#!}"*) ok=0 ;; esac ;;
        *) case $line in *"$text"*) ;; *) ok=0 ;; esac ;;
      esac
    done
    [ $ok = 1 ] && return 0
    kill -0 "$installer_pid" 2>/dev/null || break
    sleep 0.05
  done
  fail "[$run_name] waited for: $* -- last state: $(state)"
  return 1
}

# click WHAT [ID]: a real click at the centre of the installer's button or field, or of the
# button ID of its message box, retried until the probe finds it.
click() {
  local deadline=$((SECONDS + 30)) point
  while [ $SECONDS -lt $deadline ]; do
    if point=$(cd "$workdir" && wine_run "$probe" point "$@" 2>/dev/null) && [ -n "$point" ]; then
      # shellcheck disable=SC2086
      xdotool mousemove $point click 1
      return 0
    fi
    sleep 0.2
  done
  fail "[$run_name] nothing to click for: $*"
  return 1
}

# wait_exit SECONDS: the installer ends by itself, with exit code 0.
wait_exit() {
  local deadline=$((SECONDS + $1)) rc=0
  while kill -0 "$installer_pid" 2>/dev/null; do
    if [ $SECONDS -ge $deadline ]; then
      fail "[$run_name] the installer did not end"
      stop_run
      return 1
    fi
    sleep 0.1
  done
  wait "$installer_pid" || rc=$?
  [ "$rc" = 0 ] || fail "[$run_name] exit code $rc, expected 0"
  # The watcher ends once it has seen the window go.
  local i
  for i in $(seq 1 100); do kill -0 "$watcher_pid" 2>/dev/null || break; sleep 0.1; done
  kill "$watcher_pid" 2>/dev/null || true
  wait "$watcher_pid" 2>/dev/null || true
}

# How many times a box appeared (a state line with it after one without it). A line where the
# installer or the box did not answer in time ("busy", "box=[?|") says nothing either way; a
# box shown again straight after itself would stop the run at its next wait instead.
box_appearances() {
  awk -v box="$1" 'index($0, "box=[?|") || / busy / { next }
                   index($0, box) { if (!shown) n++; shown = 1; next }
                   { shown = 0 }
                   END { print n + 0 }' "$watchlog"
}

screenshot() { import -window root "$artefacts/$1.png"; }

# The statuses that stay long enough to be seen (each has a pause), in their order.
check_status_order() {
  python3 - "$watchlog" "$@" <<'EOF' || fail "[$run_name] status texts out of order (see $watchlog)"
import re, sys
seen = []
for line in open(sys.argv[1], encoding="utf-8"):
    m = re.search(r"status=\[(.*?)\]( box=|$)", line.rstrip("\n"))
    if m and (not seen or seen[-1] != m.group(1)):
        seen.append(m.group(1))
expected = sys.argv[2:]
i = 0
for s in seen:
    if i < len(expected) and s == expected[i]:
        i += 1
if i != len(expected):
    print("missing from", expected[i], "in", seen, file=sys.stderr)
    sys.exit(1)
EOF
}

# The payload arrived byte for byte: every file of the source is in the destination.
check_tree() {
  local source=$1 destination=$2
  (cd "$source" && find . -type f) | while IFS= read -r file; do
    cmp -s "$source/$file" "$destination/$file" || echo "$file"
  done >"$artefacts/$run_name.tree-diff"
  [ -s "$artefacts/$run_name.tree-diff" ] &&
    fail "[$run_name] files differ or are missing: $(tr '\n' ' ' <"$artefacts/$run_name.tree-diff")"
  (cd "$source" && find . -type d | sort) >"$artefacts/$run_name.dirs-source"
  (cd "$destination" && find . -type d | sort) >"$artefacts/$run_name.dirs-destination"
  comm -23 "$artefacts/$run_name.dirs-source" "$artefacts/$run_name.dirs-destination" |
    grep -q . && fail "[$run_name] folders missing in $destination"
  return 0
}

check_path_file() {
  local expected=$1
  if ! printf '%s\r\n' "$expected" | cmp -s - "$workdir/PathFile.txt"; then
    fail "[$run_name] PathFile.txt is not '$expected' CR LF: $(od -c "$workdir/PathFile.txt" 2>&1 | head -3)"
  fi
}

# check_shortcut WINDOWS-FOLDER: the shortcut in the profile's desktop folder, read back.
check_shortcut() {
  local folder=$1 out expected
  out=$(cd "$workdir" && wine_run "$probe" shortcut "C:\\users\\$wine_user\\desktop\\Tovalu.lnk" 2>/dev/null | tr -d '\r') || true
  printf '%s\n' "$out" >"$artefacts/$run_name.shortcut"
  expected="loaded=0x00000000
target=[$folder\\Tovalu.exe]
arguments=[]
description=[Logiciel de gestion de production]
workdir=[$folder\\]
icon=[$folder\\Tovalu.exe]
index=0"
  [ "$out" = "$expected" ] || fail "[$run_name] shortcut reads back as:
$out
expected:
$expected"
}

# --- the runs ------------------------------------------------------------------------------

# The default destination: no question, the payload copied, the shortcut on the desktop.
run_default() {
  rm -rf "$drive_c/Tovalu"
  use_real_desktop
  start_installer default "$(new_workdir yes)"
  if wait_state 120 "field=[c:\\Tovalu]" "install=1" "status=[$caption]"; then
    screenshot default-idle
    click install
    # Mid-installation: the busy look while the names are replayed.
    if wait_state 60 "status=[Copie du fichier docs]"; then
      screenshot default-busy
    fi
    if wait_state 60 "$done_box"; then
      # The box waits on top of the finished state: the bar was given 200 (the control shows
      # it as full, 100), the buttons still off, the status line empty.
      wait_state 5 "field=[c:\\Tovalu]" "browse=0 install=0 progress=100 status=[]"
      screenshot default-done
      click box 1
    fi
    wait_exit 60
    grep -q 'Dossier existant' "$watchlog" && fail "[default] a question was asked"
    grep -q "busy browse=0 install=0" "$watchlog" || fail "[default] buttons not disabled while busy"
    check_status_order "Copie du fichier config" "Copie du fichier docs" "Copie du fichier R&D.txt" \
      "Copie du fichier Tovalu.exe" "Mise à jour des fichiers de configuration.." \
      "Création des icônes.." "Enregistrement des paramètres .." ""
    check_tree "$workdir/DataFile" "$drive_c/Tovalu"
    check_path_file 'c:\Tovalu'
    check_shortcut 'c:\Tovalu'
  fi
  stop_run
}

# A typed destination that exists: No leaves everything as it was, a second press asks again.
run_existing() {
  use_real_desktop
  rm -rf "$drive_c/Existant"
  as_wine_user mkdir -p "$drive_c/Existant/Tovalu"
  printf 'ancien\r\n' | as_wine_user tee "$drive_c/Existant/Tovalu/ancien.txt" >/dev/null
  printf 'ancienne version\r\n' | as_wine_user tee "$drive_c/Existant/Tovalu/R&D.txt" >/dev/null
  question="box=[Dossier existant|ATTENTION, le dossier (c:\\Existant\\Tovalu) existe, s'il contient des fichiers ils seront écrasés. Voulez-vous continuer?|6,7,2]"
  start_installer existing "$(new_workdir yes)"
  if wait_state 120 "install=1" "status=[$caption]"; then
    click field
    window=$(xdotool search --name "Installation du logiciel de gestion de production" | head -n 1)
    xdotool windowfocus --sync "$window" key Home shift+End
    xdotool type --delay 30 'c:\Existant'
    wait_state 20 "field=[c:\\Existant]"
    click install
    if wait_state 30 "$question"; then
      click box 7
      wait_state 20 "field=[c:\\Existant] browse=1 install=1" "status=[$caption]" "!box="
      [ -e "$workdir/PathFile.txt" ] && fail "[existing] PathFile.txt written after No"
      [ "$(cat "$drive_c/Existant/Tovalu/R&D.txt")" = $'ancienne version\r' ] ||
        fail "[existing] R&D.txt overwritten after No"
      [ -e "$drive_c/Existant/Tovalu/Tovalu.exe" ] && fail "[existing] files copied after No"
      # Asked again on the next press; Yes installs.
      click install
      wait_state 30 "$question" && click box 6
    fi
    wait_state 60 "$done_box" && click box 1
    wait_exit 60
    [ "$(box_appearances 'Dossier existant')" = 2 ] || fail "[existing] the question was not asked twice"
    check_tree "$workdir/DataFile" "$drive_c/Existant/Tovalu"
    [ -e "$drive_c/Existant/Tovalu/ancien.txt" ] || fail "[existing] a file of the folder vanished"
    check_path_file 'c:\Existant\Tovalu'
    check_shortcut 'c:\Existant\Tovalu'
  fi
  stop_run
}

# A profile without a "desktop" folder: one "Erreur" box, and the installation still ends.
run_no_desktop() {
  rm -rf "$drive_c/Tovalu"
  remove_desktop
  start_installer no-desktop "$(new_workdir yes)"
  if wait_state 120 "install=1" "status=[$caption]"; then
    click install
    wait_state 60 "$shortcut_box" && click box 1
    wait_state 60 "$done_box" && click box 1
    wait_exit 60
    [ "$(box_appearances "$shortcut_box")" = 1 ] || fail "[no-desktop] the shortcut error was not shown once"
    [ -e "$profile/desktop" ] && fail "[no-desktop] a desktop folder was created"
    check_tree "$workdir/DataFile" "$drive_c/Tovalu"
    check_path_file 'c:\Tovalu'
  fi
  stop_run
}

# No payload in the working folder: the user is told, not congratulated.
run_no_payload() {
  rm -rf "$drive_c/Tovalu"
  use_real_desktop
  missing_box="box=[Erreur|Les fichiers à installer sont introuvables (dossier DataFile absent) : aucun fichier n'a été copié dans le dossier (c:\\Tovalu).|1]"
  start_installer no-payload "$(new_workdir no)"
  if wait_state 120 "install=1" "status=[$caption]"; then
    click install
    wait_state 60 "$missing_box" && { screenshot no-payload; click box 1; }
    wait_exit 60
    grep -q 'Installation terminée' "$watchlog" && fail "[no-payload] success was reported"
    check_path_file 'c:\Tovalu'
  fi
  stop_run
}

# Files that cannot be written (a read-only folder in the destination): told as incomplete.
run_incomplete() {
  rm -rf "$drive_c/Tovalu"
  as_wine_user mkdir -p "$drive_c/Tovalu/config"
  chmod 555 "$drive_c/Tovalu/config"
  incomplete_box="box=[Erreur|L'installation dans le dossier (c:\\Tovalu) est incomplète : certains fichiers n'ont pas pu être copiés.|1]"
  start_installer incomplete "$(new_workdir yes)"
  if wait_state 120 "install=1" "status=[$caption]"; then
    click install
    wait_state 30 "box=[Dossier existant|" && click box 6
    wait_state 60 "$incomplete_box" && click box 1
    wait_exit 60
    grep -q 'Installation terminée' "$watchlog" && fail "[incomplete] success was reported"
    cmp -s "$workdir/DataFile/R&D.txt" "$drive_c/Tovalu/R&D.txt" ||
      fail "[incomplete] the files that could be copied were not"
  fi
  stop_run
  chmod 755 "$drive_c/Tovalu/config" 2>/dev/null || true
}

for run in default existing no-desktop no-payload incomplete; do
  wanted "$run" && "run_${run//-/_}"
done

log "artefacts (screenshots, watch logs): $artefacts"
while IFS= read -r dir; do rm -rf "$dir"; done <"$artefacts/workdirs"
if [ "$failures" -gt 0 ]; then
  log "$failures check(s) failed"
  exit 1
fi
log "all installation runs passed"

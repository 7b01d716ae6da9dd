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
# shellcheck source=tests/e2e/e2e_lib.sh
. "$here/e2e_lib.sh"

[ $# -eq 4 ] || { echo "usage: $0 PREFIX INSTALLER PROBE ARTEFACTS" >&2; exit 2; }
e2e_init "$@"

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
    type_destination 'c:\Existant'
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

e2e_finish

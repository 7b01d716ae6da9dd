#!/usr/bin/env bash
# Installations that meet trouble, one row of the table below each: a payload missing or
# unreadable, destinations that cannot hold it, a full disk, a working folder that cannot be
# written, a profile without "desktop", paths and names at the edges. Each is performed as a
# user would, under Wine as the unprivileged user, and must end the same honest way:
#   - the installer ends by itself after its last box, with exit code 0;
#   - the boxes are the ones that tell what happened, in their order, and no other;
#   - nothing is written outside the destination but "PathFile.txt" in the working folder and
#     the desktop shortcut;
#   - "PathFile.txt" holds exactly the path that was used, when it could be written.
#
#   fault_matrix.sh PREFIX INSTALLER PROBE ARTEFACTS
#
# TOVALU_E2E_ONLY="full-disk deep-tree" runs only the named rows.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/e2e_lib.sh
. "$here/e2e_lib.sh"

[ $# -eq 4 ] || { echo "usage: $0 PREFIX INSTALLER PROBE ARTEFACTS" >&2; exit 2; }
e2e_init "$@"

# The spare drive letter that the full-disk row maps to a small file system of its own.
spare_drive=t
spare_mount=""

# A destination longer than the 260 characters a path may have, whose parent exists.
long_parent="c:\\$(printf 'L%.0s' $(seq 1 130))\\$(printf 'M%.0s' $(seq 1 130))"
long_destination="$long_parent\\Tovalu"

# --- the table -----------------------------------------------------------------------------
# name | preparation | destination typed ("-": the default c:\Tovalu is kept)
#      | existing-folder question answered Yes (yes/no) | boxes, in order
#      | "PathFile.txt" (path: holds the destination; none: not written)
#      | shortcut (target: reads back pointing at the destination; -: not looked at)
#      | check afterwards
# The shortcut is written in every case where there is a desktop to hold it, pointing at the
# destination even when the copy failed. Past 260 characters the shell-link object cannot hold
# the target: no shortcut is saved and the user is told so by the shortcut's error box.
rows=(
  "missing-payload    | no_payload         | -                     | no  | missing       | path | target | nothing_installed"
  "unreadable-file    | unreadable_file    | -                     | no  | incomplete    | path | target | all_but_unreadable"
  "read-only-targets  | read_only_targets  | -                     | yes | done          | path | target | same_tree"
  "parent-missing     | sample_payload     | c:\\Absent\\Tovalu    | no  | incomplete    | path | target | nothing_installed"
  "destination-file   | destination_file   | -                     | no  | incomplete    | path | target | file_untouched"
  "full-disk          | full_disk          | $spare_drive:\\Tovalu | no  | incomplete    | path | target | -"
  "unwritable-workdir | unwritable_workdir | -                     | no  | done          | none | target | same_tree"
  "no-desktop         | no_desktop         | -                     | no  | shortcut,done | path | -      | same_tree"
  "long-destination   | long_parent        | $long_destination     | no  | shortcut,incomplete | path | - | nothing_installed"
  "unicode-names      | unicode_payload    | -                     | no  | done          | path | target | unicode_tree"
  "many-entries       | many_entries       | -                     | no  | done          | path | target | same_tree"
  "deep-tree          | deep_tree          | -                     | no  | done          | path | target | same_tree"
)

# --- preparations (run with the row's empty working folder in $workdir) ----------------------
# A preparation may return 2: the row cannot be set up here and is skipped.

sample_payload() {
  cp -r "$TOVALU_ROOT/tests/sample/DataFile" "$workdir/"
  printf 'R&D: été\r\n' >"$workdir/DataFile/docs/modèles/R&D.txt"
  give_to_wine_user "$workdir/DataFile"
}

no_payload() { :; }

# One payload file that the installer's user may not read.
unreadable_file() {
  sample_payload
  printf 'secret\r\n' >"$workdir/DataFile/docs/illisible.txt"
  give_to_wine_user "$workdir/DataFile/docs/illisible.txt"
  chmod 000 "$workdir/DataFile/docs/illisible.txt"
}

# The destination already holds the payload's files, read-only and with other contents: the
# forced copy replaces them.
read_only_targets() {
  sample_payload
  as_wine_user mkdir -p "$destination_unix/docs"
  local file
  for file in Tovalu.exe "R&D.txt" "docs/R&D.txt"; do
    [ -e "$workdir/DataFile/$file" ] || continue
    printf 'ancienne version\r\n' | as_wine_user tee "$destination_unix/$file" >/dev/null
    chmod 444 "$destination_unix/$file"
  done
  find "$destination_unix" -type f | grep -q . || { log "no file to make read-only"; return 1; }
}

# A plain file stands where the installation folder would be.
destination_file() {
  sample_payload
  printf 'pas un dossier\r\n' | as_wine_user tee "$destination_unix" >/dev/null
}

# A file system of 256 KiB, mounted here and reached by Wine through a spare drive letter;
# the payload is larger than it. What did not fit stays behind cut short or empty in the
# destination, and the closing box says that the installation is incomplete.
full_disk() {
  if [ "$(id -u)" -ne 0 ]; then
    log "[$run_name] skipped: mounting a small file system needs root"
    return 2
  fi
  sample_payload
  head -c 600000 /dev/urandom >"$workdir/DataFile/docs/volumineux.bin"
  give_to_wine_user "$workdir/DataFile"
  spare_mount=$(mktemp -d /tmp/tovalu-disk.XXXXXX)
  mount -t tmpfs -o "size=256k,mode=0755,uid=$(id -u "$TOVALU_TEST_USER"),gid=$(id -g "$TOVALU_TEST_USER")" \
    tovalu-full "$spare_mount" || { log "[$run_name] skipped: tmpfs cannot be mounted"; return 2; }
  on_exit release_full_disk
  ln -sfn "$spare_mount" "$prefix/dosdevices/$spare_drive:"
  # The drive exists only from now on.
  destination_unix=$spare_mount/Tovalu
  extra_roots=("$spare_mount")
}
release_full_disk() {
  rm -f "$prefix/dosdevices/$spare_drive:"
  [ -n "$spare_mount" ] || return 0
  umount "$spare_mount" 2>/dev/null
  rmdir "$spare_mount" 2>/dev/null
  spare_mount=""
}

unwritable_workdir() {
  sample_payload
  chmod 555 "$workdir"
}

no_desktop() {
  sample_payload
  remove_desktop
}

long_parent() {
  sample_payload
  as_wine_user mkdir -p "$(unix_path "$long_parent")"
}

# Accents, Chinese characters and one character outside the basic plane, at the top level
# (replayed on the status line) and deeper down.
unicode_payload() {
  mkdir -p "$workdir/DataFile/données été/生产计划" "$workdir/DataFile/😀 sourire"
  printf 'été\r\n' >"$workdir/DataFile/Réglages à l'œuvre.txt"
  printf '生产\r\n' >"$workdir/DataFile/données été/生产计划/计划表.txt"
  printf 'sourire\r\n' >"$workdir/DataFile/😀 sourire/😀.txt"
  printf 'x' >"$workdir/DataFile/😀.txt"
  give_to_wine_user "$workdir/DataFile"
}

# 10,000 files under 4 top-level folders: each top-level entry costs a pause of 300 ms.
many_entries() {
  python3 - "$workdir/DataFile" <<'EOF'
import os, sys
root = sys.argv[1]
for top in range(4):
    for sub in range(50):
        folder = os.path.join(root, "lot%d" % top, "s%02d" % sub)
        os.makedirs(folder)
        for n in range(50):
            with open(os.path.join(folder, "f%02d.txt" % n), "w") as f:
                f.write("%d/%d/%d\r\n" % (top, sub, n))
EOF
  give_to_wine_user "$workdir/DataFile"
}

# 60 nested folders, with a file at the bottom and one half way.
deep_tree() {
  local path=$workdir/DataFile i
  for i in $(seq 1 60); do
    path=$path/d
    [ "$i" = 30 ] && { mkdir -p "$path"; printf 'milieu\r\n' >"$path/milieu.txt"; }
  done
  mkdir -p "$path"
  printf 'fond\r\n' >"$path/fond.txt"
  give_to_wine_user "$workdir/DataFile"
}

# --- checks afterwards -----------------------------------------------------------------------

same_tree() {
  diff -r --no-dereference "$workdir/DataFile" "$destination_unix" >"$artefacts/$run_name.tree-diff" 2>&1 ||
    fail "[$run_name] the destination is not the payload: $(head -5 "$artefacts/$run_name.tree-diff")"
}

# The tree, and each top-level name as the status line showed it.
unicode_tree() {
  same_tree
  local name
  for name in "Réglages à l'œuvre.txt" "données été" "😀 sourire" "😀.txt"; do
    grep -qF "status=[Copie du fichier $name]" "$watchlog" || fail "[$run_name] '$name' was not shown"
  done
}

nothing_installed() {
  [ -e "$destination_unix" ] && fail "[$run_name] $destination_unix was created"
  return 0
}

all_but_unreadable() {
  chmod 644 "$workdir/DataFile/docs/illisible.txt"
  [ -e "$destination_unix/docs/illisible.txt" ] && fail "[$run_name] the unreadable file has a copy"
  diff -r -x illisible.txt "$workdir/DataFile" "$destination_unix" >"$artefacts/$run_name.tree-diff" 2>&1 ||
    fail "[$run_name] the readable files were not all copied: $(head -5 "$artefacts/$run_name.tree-diff")"
}

file_untouched() {
  [ "$(cat "$destination_unix")" = $'pas un dossier\r' ] || fail "[$run_name] the file in the way was changed"
}

# --- one row ---------------------------------------------------------------------------------

# The Unix path of a Windows path of the prefix (drive letters as the prefix maps them).
unix_path() {
  local drive=${1:0:1} rest=${1:3}
  printf '%s/%s' "$(readlink -f "$prefix/dosdevices/${drive,,}:")" "${rest//\\//}"
}

box_text() {
  local path=$1
  case $2 in
    done) echo "$done_box" ;;
    shortcut) echo "$shortcut_box" ;;
    missing) echo "box=[Erreur|Les fichiers à installer sont introuvables (dossier DataFile absent) : aucun fichier n'a été copié dans le dossier ($path).|1]" ;;
    incomplete) echo "box=[Erreur|L'installation dans le dossier ($path) est incomplète : certains fichiers n'ont pas pu être copiés.|1]" ;;
    question) echo "box=[Dossier existant|ATTENTION, le dossier ($path) existe, s'il contient des fichiers ils seront écrasés. Voulez-vous continuer?|6,7,2]" ;;
  esac
}

# Every file with its size, time and mode, every folder by name, under the roots; what Wine
# keeps for itself is left out: its system folder and the profile's application data.
snapshot() {
  local out=$1; shift
  find "$@" \( -path "$drive_c/windows" -o -path "$profile/AppData" \) -prune \
       -o -type d -printf 'd %p\n' -o -printf '%y %s %T@ %m %p\n' 2>/dev/null | sort >"$out"
}

# What changed between the two snapshots, other than the destination, "PathFile.txt" and the
# shortcut.
check_nothing_else_written() {
  local before=$1 after=$2
  comm -3 "$before" "$after" | sed 's/^\t//' | cut -d' ' -f2- | sed -E 's/^[0-9]+ [0-9.]+ [0-7]+ //' |
    sort -u | while IFS= read -r path; do
      case $path in
        "$destination_unix" | "$destination_unix"/*) ;;
        "$workdir/PathFile.txt" | "$profile/desktop/Tovalu.lnk") ;;
        # Wine's menu builder answers every shortcut saved on the desktop with a Unix
        # launcher beside it; the installer never writes it.
        "$profile/desktop/Tovalu.desktop") ;;
        *) echo "$path" ;;
      esac
    done >"$artefacts/$run_name.stray"
  [ -s "$artefacts/$run_name.stray" ] &&
    fail "[$run_name] written outside the destination: $(head -5 "$artefacts/$run_name.stray")"
  return 0
}

# The boxes of the run: each expected one appeared once, no other appeared.
check_boxes() {
  local box
  for box in "$@"; do
    [ "$(box_appearances "$box")" = 1 ] || fail "[$run_name] not shown once: $box"
  done
  grep -o 'box=\[[^]]*\]' "$watchlog" | grep -v '^box=\[?|' | sort -u |
    grep -vxF -f <(printf '%s\n' "$@") >"$artefacts/$run_name.other-boxes"
  [ -s "$artefacts/$run_name.other-boxes" ] &&
    fail "[$run_name] other boxes shown: $(cat "$artefacts/$run_name.other-boxes")"
  return 0
}

trim() { local text=$1; text=${text#"${text%%[! ]*}"}; printf '%s' "${text%"${text##*[! ]}"}"; }

run_row() {
  local name prepare typed answer boxes pathfile shortcut check destination box status=0
  IFS='|' read -r name prepare typed answer boxes pathfile shortcut check <<<"$1"
  name=$(trim "$name") prepare=$(trim "$prepare") typed=$(trim "$typed") answer=$(trim "$answer")
  boxes=$(trim "$boxes") pathfile=$(trim "$pathfile") shortcut=$(trim "$shortcut")
  check=$(trim "$check")
  wanted "$name" || return 0

  destination='c:\Tovalu'
  [ "$typed" = - ] || destination=$typed
  run_name=$name extra_roots=()
  use_real_desktop
  workdir=$(new_workdir no)
  destination_unix=$(unix_path "$destination")
  rm -rf "$destination_unix"
  "$prepare"
  status=$?
  [ "$status" = 2 ] && return 0
  [ "$status" = 0 ] || { fail "[$name] could not be prepared"; return 0; }

  snapshot "$artefacts/$name.before" "$drive_c" "$workdir" "${extra_roots[@]}"
  local expected=()
  [ "$answer" = yes ] && expected+=("$(box_text "$destination" question)")
  for box in ${boxes//,/ }; do expected+=("$(box_text "$destination" "$box")"); done

  start_installer "$name" "$workdir"
  if wait_state 120 "install=1" "status=[$caption]"; then
    if [ "$typed" != - ]; then
      type_destination "$destination" 5
      wait_state 30 "field=[$destination]"
    fi
    click install
    for box in "${expected[@]}"; do
      wait_state 300 "$box" || break
      case $box in
        "box=[Dossier existant"*) click box 6 ;;
        *) screenshot "$name-$(echo "$box" | cut -c6-12 | tr -c 'a-zA-Z\n' _)"; click box 1 ;;
      esac
    done
    wait_exit 60
  fi
  stop_run
  [ "$prepare" = unwritable_workdir ] && chmod 755 "$workdir"

  check_boxes "${expected[@]}"
  snapshot "$artefacts/$name.after" "$drive_c" "$workdir" "${extra_roots[@]}"
  check_nothing_else_written "$artefacts/$name.before" "$artefacts/$name.after"
  if [ "$pathfile" = path ]; then
    check_path_file "$destination"
  elif [ -e "$workdir/PathFile.txt" ]; then
    fail "[$name] PathFile.txt was written"
  fi
  [ "$shortcut" = target ] && check_shortcut "$destination"
  [ "$check" = - ] || "$check"

  [ "$prepare" = full_disk ] && release_full_disk
  chmod -R u+rwX "$destination_unix" 2>/dev/null
  rm -rf "$destination_unix"
}

for row in "${rows[@]}"; do run_row "$row"; done
e2e_finish

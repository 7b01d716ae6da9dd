# shellcheck shell=bash
# The pieces that every whole-installation script shares: a private X display, the Wine
# prefix and its user, one installer run watched by the probe, clicks, waits and the checks of
# what an installation leaves behind. Sourced, never run:
#
#   . e2e_lib.sh
#   e2e_init PREFIX INSTALLER PROBE ARTEFACTS
#   ... runs ...
#   e2e_finish
#
# Every wait polls for the state it needs until a deadline; nothing relies on a fixed delay.
# A failed check is counted and the runs go on, so that one report lists every fault.
e2e_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/common.sh
. "$e2e_here/../../scripts/common.sh"

# Texts that the scripts look for in the probe's state lines.
# shellcheck disable=SC2034
caption="INSTALLATION DU LOGICIEL Tovalu v2 - Gestion de la production (2023)"
# shellcheck disable=SC2034
done_box="box=[|Installation terminée!|1]"
# shellcheck disable=SC2034
shortcut_box="box=[Erreur|Le raccourci n'a pas pu être créé|1]"

# Commands run when the script ends, however it ends (last added, first run).
e2e_cleanups=()
on_exit() { e2e_cleanups=("$*" "${e2e_cleanups[@]}"); }
e2e_run_cleanups() {
  local command
  for command in "${e2e_cleanups[@]}"; do eval "$command" || true; done
}
trap e2e_run_cleanups EXIT

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
give_to_wine_user() { [ "$(id -u)" -ne 0 ] || chown -R "$TOVALU_TEST_USER": "$@"; }

wine_run() { "$TOVALU_ROOT/scripts/wine-run.sh" "$prefix" "$@"; }

# A display of our own: our clicks must land on our windows, whatever else runs. The server
# picks a free number itself (-displayfd), so that two runs starting together cannot end up
# sharing one server that the first to finish then takes away.
start_private_display() {
  local numberfile=$artefacts/display i
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -ac -nolisten tcp 3>"$numberfile" >/dev/null 2>&1 &
  xvfb_pid=$!
  # shellcheck disable=SC2016  # expanded when the script ends
  on_exit 'kill $xvfb_pid 2>/dev/null'
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

# e2e_init PREFIX INSTALLER PROBE ARTEFACTS: fresh artefacts, the display, the prefix.
e2e_init() {
  # Absolute: each run starts from its own working folder.
  prefix=$(realpath -m "$1") installer=$(realpath -m "$2") probe=$(realpath -m "$3")
  artefacts=$(realpath -m "$4")
  rm -rf "$artefacts"
  mkdir -p "$artefacts"
  : >"$artefacts/workdirs"
  start_private_display
  # Creates the prefix on first use (the probe answers 1: no installer window).
  wine_run "$probe" point install >/dev/null 2>&1 || true
  drive_c=$prefix/drive_c
  profile=$drive_c/users/$wine_user
  [ -d "$profile" ] || { log "no profile folder $profile in the prefix"; exit 1; }
}

# Removes the working folders and gives the script's verdict as its exit code.
e2e_finish() {
  log "artefacts (screenshots, watch logs): $artefacts"
  while IFS= read -r dir; do
    chmod -R u+rwx "$dir" 2>/dev/null
    rm -rf "$dir"
  done <"$artefacts/workdirs"
  if [ "$failures" -gt 0 ]; then
    log "$failures check(s) failed"
    exit 1
  fi
  log "all installation runs passed"
  exit 0
}

# Wine makes the profile's "Desktop" a link to the Unix home folder; a shortcut written there
# would leave the prefix. The installer writes into "desktop": give it a real folder.
use_real_desktop() {
  rm -rf "$profile/Desktop" "$profile/desktop"
  as_wine_user mkdir "$profile/desktop"
}
remove_desktop() { rm -rf "$profile/Desktop" "$profile/desktop"; }

# A working folder holding the payload: nested folders, "R&D.txt", accented names, and one
# binary file so that the byte-for-byte check has something to bite on. "no": an empty one.
new_workdir() {
  local with_payload=$1 dir
  dir=$(mktemp -d /tmp/tovalu-e2e.XXXXXX)
  if [ "$with_payload" = yes ]; then
    cp -r "$TOVALU_ROOT/tests/sample/DataFile" "$dir/"
    mkdir -p "$dir/DataFile/config/niveau 1/niveau 2"
    head -c 70000 /dev/urandom >"$dir/DataFile/config/niveau 1/niveau 2/données.bin"
    printf 'R&D: été\r\n' >"$dir/DataFile/docs/modèles/R&D.txt"
  fi
  give_to_wine_user "$dir"
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

# type_destination TEXT: replaces the field's text by TEXT, typed key by key.
type_destination() {
  local window
  click field || return 1
  window=$(xdotool search --name "Installation du logiciel de gestion de production" | head -n 1)
  xdotool windowfocus --sync "$window" key Home shift+End
  xdotool type --delay "${2:-30}" "$1"
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

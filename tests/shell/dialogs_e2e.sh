#!/usr/bin/env bash
# The installer's dialogs as a user meets them: the real installer under Wine on a private X
# display, "Choisir un autre dossier..." clicked, the folder picker's tree walked with the
# keyboard, clicks on the installer while the picker is open; then message boxes shown through
# ShowMessage and answered with real clicks and keys. A probe of the same Wine session reports
# every window with its texts ten times a second.
#
#   dialogs_e2e.sh PREFIX INSTALLER PROBE SHOW_MESSAGE ARTEFACTS
#
# Every wait polls for the state it needs until a deadline. A failed check is counted and the
# run goes on, so that one report lists every fault. Screenshots go to ARTEFACTS.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/common.sh
. "$here/../../scripts/common.sh"

[ $# -eq 5 ] || { echo "usage: $0 PREFIX INSTALLER PROBE SHOW_MESSAGE ARTEFACTS" >&2; exit 2; }
prefix=$1 installer=$2 probe=$3 show_message=$4 artefacts=$5
rm -rf "$artefacts"
mkdir -p "$artefacts"
export LANG=C.UTF-8  # the French texts go through Wine's command line and the probe's output

# A display of our own: our clicks and keys must reach our windows, whatever else runs. The
# server picks a free display number itself.
Xvfb -displayfd 5 -screen 0 1280x1024x24 -ac -nolisten tcp 5>"$artefacts/display" \
  >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 100); do
  [ -s "$artefacts/display" ] && break
  sleep 0.1
done
[ -s "$artefacts/display" ] || { log "could not start Xvfb"; exit 1; }
export DISPLAY=":$(head -n 1 "$artefacts/display")"
log "display $DISPLAY"

window_title="Installation du logiciel de gestion de production V.2 (2023)"
picker_title="Sélectionnez un dossier de destination..."
caption="INSTALLATION DU LOGICIEL Tovalu v2 - Gestion de la production (2023)"

failures=0
fail() {
  log "FAIL: $*"
  failures=$((failures + 1))
}

as_wine_user() {
  if [ "$(id -u)" -eq 0 ]; then
    setpriv --reuid="$TOVALU_TEST_USER" --regid="$TOVALU_TEST_USER" --init-groups "$@"
  else
    "$@"
  fi
}
wine_run() { "$TOVALU_ROOT/scripts/wine-run.sh" "$prefix" "$@"; }

# Without a window manager nothing draws the windows' frames; Wine draws them itself when told
# that nobody else does, which gives the installer a close box to click. (This prefix only.)
wine_run reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1 ||
  { log "cannot prepare the prefix $prefix"; exit 1; }
drive_c=$prefix/drive_c
rm -rf "$drive_c/tovalu-e2e"
as_wine_user mkdir -p "$drive_c/tovalu-e2e/Apps" "$drive_c/tovalu-e2e/Tovalu" \
  "$drive_c/tovalu-e2e/Autre"

workdir=$(mktemp -d /tmp/tovalu-dialogs-e2e.XXXXXX)
[ "$(id -u)" -eq 0 ] && chown "$TOVALU_TEST_USER": "$workdir"
chmod 755 "$workdir"

# spawn OUTPUT PROGRAM [ARGS...]: runs a Windows program in the working folder, in a process
# group of its own so that stop_spawned ends the runner and Wine's process together.
spawned=""
spawn() {
  local output=$1; shift
  (cd "$workdir" && exec setsid "$TOVALU_ROOT/scripts/wine-run.sh" "$prefix" "$@") \
    >"$output" 2>/dev/null &
  spawned=$!
}
stop_spawned() {
  [ -n "$1" ] || return 0
  kill -- "-$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

watchlog=$artefacts/windows.watch.log
spawn "$watchlog" "$probe" watch 900
watcher_pid=$spawned
installer_pid=""
cleanup() {
  stop_spawned "$installer_pid"
  stop_spawned "$watcher_pid"
  rm -rf "$workdir"
}
trap 'cleanup; kill "$xvfb_pid" 2>/dev/null' EXIT

# --- reading the probe -------------------------------------------------------------------

# The last complete snapshot of the session's windows.
snapshot() {
  tail -n 600 "$watchlog" | awk '
    /^snapshot / { buf = ""; n = $2; inside = 1; next }
    /^end / { if (inside && $2 == n) last = buf; inside = 0; next }
    inside { buf = buf $0 "\n" }
    END { printf "%s", last }'
}
snapshot_number() { tail -n 600 "$watchlog" | awk '/^end / { n = $2 } END { print n + 0 }'; }

# The visible top-level window whose line holds every fixed text, first one.
window_line() {
  local snap=$1; shift
  local lines
  lines=$(printf '%s\n' "$snap" | grep '^window ' | grep ' visible=1 ')
  local pattern
  for pattern in "$@"; do lines=$(printf '%s\n' "$lines" | grep -F -- "$pattern"); done
  printf '%s\n' "$lines" | head -n 1
}
# The child lines of window HWND.
children() {
  printf '%s\n' "$1" | awk -v w="$2" '$1 == "window" { cur = $2; next } $1 == "child" && cur == w'
}
attr() { printf '%s\n' "$1" | grep -o " $2=[^ ]*" | head -n 1 | cut -d= -f2; }
text_of() { printf '%s\n' "$1" | sed 's/.* text=//'; }
title_of() { printf '%s\n' "$1" | sed 's/.* title=//'; }
centre() {
  local r
  IFS=, read -r -a r <<<"$(attr "$1" rect)"
  echo $(((r[0] + r[2]) / 2)) $(((r[1] + r[3]) / 2))
}
# has_child_text SNAPSHOT HWND CLASS TEXT: the window has a child of that class with exactly
# that text.
has_child_text() {
  # Through the environment: awk -v would take the backslashes of a path for escapes.
  children "$1" "$2" | TAIL=" class=$3 text=$4" awk '
    BEGIN { tail = ENVIRON["TAIL"] }
    length($0) >= length(tail) && substr($0, length($0) - length(tail) + 1) == tail { found = 1 }
    END { exit !found }'
}
child_with_id() { children "$1" "$2" | awk -v id="id=$3" '$3 == id' | head -n 1; }

installer_line() { window_line "$1" " title=$window_title"; }
field_text() {
  local snap line
  snap=$(snapshot)
  line=$(installer_line "$snap")
  [ -n "$line" ] && text_of "$(child_with_id "$snap" "$(printf '%s\n' "$line" | awk '{ print $2 }')" 6)"
}

# wait_for SECONDS DESCRIPTION COMMAND...: until COMMAND succeeds on a fresh snapshot.
wait_for() {
  local seconds=$1 what=$2; shift 2
  local deadline=$((SECONDS + seconds))
  while [ $SECONDS -lt $deadline ]; do
    "$@" && return 0
    sleep 0.1
  done
  fail "waited $seconds s for: $what"
  return 1
}
# For a check that something does NOT happen: lets the probe report N more snapshots.
let_snapshots_pass() {
  local target=$(($(snapshot_number) + $1))
  wait_for 30 "the probe to go on reporting" eval '[ "$(snapshot_number)" -ge '"$target"' ]'
}

screenshot() { import -window root "$artefacts/$1.png"; }

# --- the installer -------------------------------------------------------------------------

installer_hwnd="" status_text=""

installer_ready() {
  local snap line
  snap=$(snapshot)
  line=$(installer_line "$snap")
  [ -n "$line" ] || return 1
  installer_hwnd=$(printf '%s\n' "$line" | awk '{ print $2 }')
  [ "$(text_of "$(child_with_id "$snap" "$installer_hwnd" 6)")" = 'c:\Tovalu' ]
}

installer_child() { child_with_id "$(snapshot)" "$installer_hwnd" "$1"; }
click_at() { xdotool mousemove "$1" "$2" click 1; }
click_installer_child() {
  local line
  line=$(installer_child "$1")
  [ -n "$line" ] || { fail "no control $1 in the installer"; return 1; }
  # shellcheck disable=SC2046
  click_at $(centre "$line")
}
field_is() { [ "$(field_text)" = "$1" ]; }

# The picker: a dialog owned by the installer with the instruction line.
picker_line() {
  local snap=$1 line hwnd
  line=$(window_line "$snap" 'class=#32770' " owner=$installer_hwnd ")
  [ -n "$line" ] || return 1
  hwnd=$(printf '%s\n' "$line" | awk '{ print $2 }')
  has_child_text "$snap" "$hwnd" Static "$picker_title" || return 1
  printf '%s\n' "$line"
}
picker_open() { picker_line "$(snapshot)" >/dev/null; }
picker_gone() { ! picker_open; }
installer_enabled_is() { [ "$(attr "$(installer_line "$(snapshot)")" enabled)" = "$1" ]; }
picker_selection() {
  local snap line
  snap=$(snapshot)
  line=$(picker_line "$snap") || return 1
  text_of "$(child_with_id "$snap" "$(printf '%s\n' "$line" | awk '{ print $2 }')" 14149)"
}
picker_selection_is() { [ "$(picker_selection)" = "$1" ]; }
# The drive's name is its label (empty in a new prefix), a blank, then "(C:)".
picker_selection_is_drive_c() { case $(picker_selection) in *"(C:)") return 0 ;; esac; return 1; }

open_picker() {
  click_installer_child 8 || return 1
  wait_for 30 "the folder picker with \"$picker_title\"" picker_open || return 1
  wait_for 10 "the installer disabled while the picker is open" installer_enabled_is 0
}

focus_picker() {
  xdotool windowfocus "$(attr "$(picker_line "$(snapshot)")" x11)"
}

# Keys must reach the picker's tree: gives the picker the X focus, then moves the keyboard
# focus with Tab until the probe sees it on the tree.
focus_tree() {
  local deadline=$((SECONDS + 20)) snap line tree
  while [ $SECONDS -lt $deadline ]; do
    snap=$(snapshot)
    if line=$(picker_line "$snap"); then
      tree=$(child_with_id "$snap" "$(printf '%s\n' "$line" | awk '{ print $2 }')" 14145 |
        awk '{ print $2 }')
      [ -n "$tree" ] && [ "$(attr "$line" focus)" = "$tree" ] && return 0
      xdotool windowfocus "$(attr "$line" x11)"
      let_snapshots_pass 3
      [ "$(attr "$(picker_line "$(snapshot)")" focus)" = "$tree" ] && return 0
      xdotool key Tab
      let_snapshots_pass 3
    else
      sleep 0.1
    fi
  done
  fail "the keyboard focus never reached the picker's tree"
  return 1
}

# Selects the tree item NAME among the visible ones by typing the start of its name, TYPED
# (the tree's type-ahead skips some characters, ":" and the blank among them). The type-ahead
# goes on from key presses less than half a second old, so a name typed too soon after another
# one finds nothing and is typed again. Only snapshots taken after the keys count: a stale one
# could show an earlier state and send a retry that moves the selection on.
select_in_tree() {
  local typed=$1 name=$2 attempt
  for attempt in 1 2 3 4; do
    xdotool type --delay 30 -- "$typed"
    let_snapshots_pass 3 || return 1
    picker_selection_is "$name" && return 0
  done
  fail "could not select \"$name\" in the picker's tree (selection: $(picker_selection))"
  return 1
}

# Walks the tree from its root to C:\tovalu-e2e\NAME; the plus key opens an item in place.
choose_in_picker() {
  focus_tree || return 1
  xdotool key Home
  # The drive's name starts with its label or a blank: it is reached with the arrow key
  # instead, as the first item inside the computer.
  select_in_tree My "My Computer" && xdotool key KP_Add &&
    xdotool key Down && wait_for 10 "the drive C: selected" picker_selection_is_drive_c &&
    xdotool key KP_Add &&
    select_in_tree tovalu-e2e tovalu-e2e && xdotool key KP_Add &&
    select_in_tree "$1" "$1" && screenshot "picker-choice-$1" && return 0
  # Leave no picker behind for the next steps.
  focus_picker
  xdotool key Escape
  wait_for 20 "the picker to close after a failed choice" picker_gone
  return 1
}

installer_alive() { kill -0 "$installer_pid" 2>/dev/null; }

# Nothing happened on account of clicks made while a dialog was open: no other dialog, the
# installer is still there with its status line and field as they were.
check_nothing_happened() {
  local when=$1 field=$2 snap
  let_snapshots_pass 10
  installer_alive || { fail "$when: the installer ended"; return 1; }
  snap=$(snapshot)
  [ "$(text_of "$(child_with_id "$snap" "$installer_hwnd" 12)")" = "$status_text" ] ||
    fail "$when: the status line changed to \"$(text_of "$(child_with_id "$snap" "$installer_hwnd" 12)")\""
  [ "$(text_of "$(child_with_id "$snap" "$installer_hwnd" 6)")" = "$field" ] ||
    fail "$when: the field changed to \"$(text_of "$(child_with_id "$snap" "$installer_hwnd" 6)")\""
  local boxes
  boxes=$(printf '%s\n' "$snap" | grep '^window ' | grep ' visible=1 ' | grep 'class=#32770' |
    grep -v -F "$(picker_line "$snap" || echo none)")
  [ -z "$boxes" ] || fail "$when: an unexpected dialog: $boxes"
}

log "browse: starting the installer"
spawn "$artefacts/installer.out" "$installer"
installer_pid=$spawned
if wait_for 120 "the installer window showing c:\\Tovalu" installer_ready; then
  status_text=$(text_of "$(installer_child 12)")
  [ "$status_text" = "$caption" ] || fail "status line reads \"$status_text\""

  # 1. A folder chosen in the tree; meanwhile "Installer" and the close box are clicked.
  log "browse: choose C:\\tovalu-e2e\\Apps, clicking the installer meanwhile"
  if open_picker; then
    screenshot picker-over-installer
    click_installer_child 9
    close_box=$(attr "$(installer_line "$(snapshot)")" close)
    if [ -n "$close_box" ] && [ "$close_box" != none ]; then
      click_at "${close_box%,*}" "${close_box#*,}"
    else
      fail "the installer has no close box to click"
    fi
    check_nothing_happened "while the picker is open" 'c:\Tovalu'
    picker_open || fail "the picker closed on a click on the installer"
    installer_enabled_is 0 || fail "the installer took input while the picker was open"
    if choose_in_picker Apps; then
      xdotool key Return
      wait_for 20 "the picker to close" picker_gone
      wait_for 20 'the field to read C:\tovalu-e2e\Apps\Tovalu' \
        field_is 'C:\tovalu-e2e\Apps\Tovalu'
      wait_for 10 "the installer enabled again" installer_enabled_is 1
      check_nothing_happened "after the picker closed" 'C:\tovalu-e2e\Apps\Tovalu'
    fi
  fi

  # 2. A folder that is itself named Tovalu gets the product folder inside it.
  log "browse: choose C:\\tovalu-e2e\\Tovalu"
  if open_picker && choose_in_picker Tovalu; then
    xdotool key Return
    wait_for 20 "the picker to close" picker_gone
    wait_for 20 'the field to read C:\tovalu-e2e\Tovalu\Tovalu' \
      field_is 'C:\tovalu-e2e\Tovalu\Tovalu'
  fi

  # 3. A cancel keeps what the field holds, typed text included: by Escape, then by the
  #    Cancel button.
  log "browse: type into the field, then cancel the picker twice"
  typed='C:\tovalu-e2e\Tovalu\Tovalu-2'
  # Without a window manager a click gives no keyboard focus: the X focus is given first.
  xdotool windowfocus "$(attr "$(installer_line "$(snapshot)")" x11)"
  click_installer_child 6
  xdotool key End
  xdotool type -- "-2"
  if wait_for 10 "the typed text in the field" field_is "$typed"; then
    if open_picker; then
      focus_picker
      xdotool key Escape
      wait_for 20 "the picker to close on Escape" picker_gone
      let_snapshots_pass 5
      field_is "$typed" || fail "Escape in the picker changed the field to \"$(field_text)\""
    fi
    if open_picker; then
      picker_hwnd=$(picker_line "$(snapshot)" | awk '{ print $2 }')
      # shellcheck disable=SC2046
      click_at $(centre "$(child_with_id "$(snapshot)" "$picker_hwnd" 2)")
      wait_for 20 "the picker to close on Cancel" picker_gone
      let_snapshots_pass 5
      field_is "$typed" || fail "Cancel in the picker changed the field to \"$(field_text)\""
    fi
  fi

  # 4. The close box ends the program with code 0 once no dialog is open.
  log "browse: close the installer by its close box"
  close_box=$(attr "$(installer_line "$(snapshot)")" close)
  click_at "${close_box%,*}" "${close_box#*,}"
  if wait_for 30 "the installer to end after its close box was clicked" \
    eval '! installer_alive'; then
    rc=0
    wait "$installer_pid" || rc=$?
    [ "$rc" = 0 ] || fail "the installer ended with code $rc"
  fi
fi
stop_spawned "$installer_pid"
installer_pid=""

# --- message boxes -----------------------------------------------------------------------

# box_line TITLE TEXT: the visible dialog with exactly that title and a static with that text.
box_line() {
  local snap=$1 title=$2 text=$3 line hwnd
  while IFS= read -r line; do
    [ "$(title_of "$line")" = "$title" ] || continue
    hwnd=$(printf '%s\n' "$line" | awk '{ print $2 }')
    has_child_text "$snap" "$hwnd" Static "$text" || continue
    printf '%s\n' "$line"
    return 0
  done < <(printf '%s\n' "$snap" | grep '^window ' | grep ' visible=1 ' | grep 'class=#32770')
  return 1
}

# One box: shown through ShowMessage, answered, the code checked.
#   message_case NAME TITLE TEXT FLAGS ACTION EXPECTED   with ACTION click:ID or key:KEYS
message_case() {
  local name=$1 title=$2 text=$3 flags=$4 action=$5 expected=$6
  local out=$artefacts/message-$name.out rc line deadline
  log "message box: $name"
  spawn "$out" "$show_message" "$title" "$text" "$flags"
  local pid=$spawned
  if wait_for 60 "[$name] the box \"$title\" / \"$text\"" \
    eval 'line=$(box_line "$(snapshot)" "$title" "$text")'; then
    [ "$name" = empty-title ] && screenshot message-box-empty-title
    # The program has no window of its own, so the foreground one is another program's: the
    # box must not be given to it as owner.
    [ "$(attr "$line" owner)" = 0 ] || fail "[$name] the box has an owner: $line"
    local hwnd
    hwnd=$(printf '%s\n' "$line" | awk '{ print $2 }')
    case $action in
      click:*)
        # shellcheck disable=SC2046
        click_at $(centre "$(child_with_id "$(snapshot)" "$hwnd" "${action#click:}")") ;;
      key:*)
        xdotool windowfocus "$(attr "$line" x11)"
        xdotool key "${action#key:}" ;;
    esac
  fi
  deadline=$((SECONDS + 30))
  while kill -0 "$pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then
    fail "[$name] the box did not close"
    kill -- "-$pid" 2>/dev/null
  fi
  rc=0
  wait "$pid" || rc=$?
  [ "$rc" = "$expected" ] || fail "[$name] exit code $rc, expected $expected"
  tr -d '\r' <"$out" | grep -q -x "code=$expected" || fail "[$name] printed \"$(cat "$out")\""
}

question="Le dossier C:\\Tovalu existe déjà. Voulez-vous continuer?"
message_case yes "Dossier existant" "$question" 3 click:6 6
message_case no "Dossier existant" "$question" 3 click:7 7
message_case cancel "Dossier existant" "$question" 3 click:2 2
message_case escape "Dossier existant" "$question" 3 key:Escape 2
message_case empty-title "" "Installation terminée!" 0 key:Return 1

if [ "$failures" -gt 0 ]; then
  log "$failures check(s) failed; artefacts in $artefacts"
  exit 1
fi
log "all dialog checks passed; artefacts in $artefacts"

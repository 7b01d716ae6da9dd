#!/usr/bin/env bash
# The installer window as a user meets it. Starts the real installer under Wine in a scratch
# working folder, sends real key presses and clicks with xdotool, and reads the window back
# through Win32 with ui_probe running in the same Wine session:
#   - the window and its nine controls (classes, numbers, places, styles, texts, states);
#   - the status line drawn in its idle colour, read from a screenshot;
#   - Tab and Shift+Tab walking FolderField, InstallButton, BrowseButton and wrapping;
#   - Enter and Escape pressing nothing;
#   - the close box and Alt+F4 each ending the program with exit code 0, writing nothing.
#
#   window_e2e.sh PREFIX INSTALLER.exe PROBE.exe ARTEFACT_DIR
set -euo pipefail
prefix=$1 installer=$2 probe=$3 artefacts=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
scripts=$(cd "$here/../../scripts" && pwd)
# shellcheck source=scripts/common.sh
. "$scripts/common.sh"
run=$scripts/wine-run.sh

ensure_display
mkdir -p "$artefacts"
title="Installation du logiciel de gestion de production V.2 (2023)"
failures=0
installer_pid=""

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
check_eq() { # check_eq WHAT GOT EXPECTED
  if [ "$2" = "$3" ]; then pass "$1 = $3"; else fail "$1: got '$2', expected '$3'"; fi
}

cleanup() {
  if [ -n "$installer_pid" ] && kill -0 "$installer_pid" 2>/dev/null; then
    kill "$installer_pid" 2>/dev/null || true
  fi
  [ -n "${scratch:-}" ] && rm -rf "$scratch"
  # ensure_display's own clean-up is replaced by this one: stop its Xvfb here.
  if [ -n "${TOVALU_XVFB_PID:-}" ]; then kill "$TOVALU_XVFB_PID" 2>/dev/null || true; fi
}
trap cleanup EXIT

# Polls CONDITION (a command) every 0.2 s until it succeeds or SECONDS have passed.
wait_for() { # wait_for SECONDS DESCRIPTION CONDITION...
  local seconds=$1 what=$2; shift 2
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    if [ "$SECONDS" -ge "$deadline" ]; then fail "timed out waiting for $what"; return 1; fi
    sleep 0.2
  done
}

probe() { "$run" "$prefix" "$probe" "$@" 2>/dev/null | tr -d '\r'; }

# The latest report of the window; empty while there is no window.
report=""
read_window() { report=$(probe window || true); }
control_line() { grep "^control id=$1 " <<<"$report" || true; }
field() { sed -n "s/.* $1=\([^ ]*\).*/\1/p" <<<"$2"; }
focused_control() { field control "$(grep '^focus ' <<<"$report")"; }

# The window is there and start-up has written the default destination into the field.
window_is_ready() {
  read_window
  [ "$(field text "$(control_line 6)")" = '[c:\Tovalu]' ]
}

# The installer is copied under a name of its own so that Wine can be told, for this
# program only, to draw the window frame itself: there is no window manager under Xvfb,
# and the close box must be there to be clicked.
scratch=$(mktemp -d /tmp/tovalu-window-e2e.XXXXXX)
program_name=Tovalu-v2-x64-e2e.exe
cp "$installer" "$scratch/$program_name"
cp -r "$here/../sample/DataFile" "$scratch/"
if [ "$(id -u)" -eq 0 ]; then chown -R "$TOVALU_TEST_USER": "$scratch"; fi
"$run" "$prefix" reg add "HKCU\\Software\\Wine\\AppDefaults\\$program_name\\X11 Driver" \
  /v Decorated /d N /f >/dev/null 2>&1

destination=$prefix/drive_c/Tovalu
# Everything a run could leave behind: the working folder, the destination, any shortcut.
snapshot() {
  {
    (cd "$scratch" && find . -printf '%p %s %T@\n' | sort)
    [ -e "$destination" ] && echo "destination exists"
    find "$prefix/drive_c/users" -iname 'Tovalu.lnk' 2>/dev/null
  } || true
}

expect_nothing_left() { # expect_nothing_left HOW
  local after
  after=$(snapshot)
  if [ "$after" = "$before" ]; then
    pass "nothing written or created after $1"
  else
    fail "files or folders changed after $1"
    diff <(echo "$before") <(echo "$after") >&2 || true
  fi
}

start_installer() {
  (cd "$scratch" && exec "$run" "$prefix" "./$program_name") &
  installer_pid=$!
  wait_for 240 "the installer window" window_is_ready
}

x_window=""
focus_x_window() {
  # The title's parentheses would be a group in xdotool's pattern: match its start only.
  x_window=$(xdotool search --onlyvisible --name "^${title%% (*}" 2>/dev/null | head -n 1 || true)
  [ -n "$x_window" ] && xdotool windowfocus --sync "$x_window" 2>/dev/null
}

installer_has_ended() { ! kill -0 "$installer_pid" 2>/dev/null; }

expect_exit_zero() { # expect_exit_zero HOW
  if wait_for 60 "the installer to end after $1" installer_has_ended; then
    local rc=0
    wait "$installer_pid" || rc=$?
    check_eq "exit code after $1" "$rc" 0
  fi
  installer_pid=""
}

press() { xdotool key --clearmodifiers "$1"; }

focus_is() { read_window; [ "$(focused_control)" = "$1" ]; }

# Presses KEY and waits until the focus is on control EXPECTED.
press_and_expect_focus() { # press_and_expect_focus KEY EXPECTED
  press "$1"
  if wait_for 20 "focus on control $2 after $1" focus_is "$2"; then pass "$1 moves the focus to control $2"; fi
}

# --- The program's resources: icon 1 (one 32 x 32 picture in 256 colours), the manifest ----
resources=$(probe resources "Z:$(readlink -f "$installer" | tr / '\\')")
check_eq "icon group 1" "$(grep -E '^(icon|picture) ' <<<"$resources" | tr '\n' ' ')" \
  "icon pictures=1 picture 32x32 colors=256 bits=8 "
manifest=$(grep '^manifest ' <<<"$resources" || true)
for wanted in 'name="Microsoft.Windows.Common-Controls"' 'version="6.0.0.0"' \
              'processorArchitecture="amd64"'; do
  if grep -qF "$wanted" <<<"$manifest"; then pass "manifest has $wanted"
  else fail "manifest lacks $wanted"; fi
done
for unwanted in trustInfo requestedExecutionLevel dpiAware dpiAwareness; do
  if grep -qi "$unwanted" <<<"$manifest"; then fail "manifest declares $unwanted"
  else pass "manifest declares no $unwanted"; fi
done

# --- First run: the window as it opens, the keyboard, the close box ----------------------
before=$(snapshot)
start_installer || exit 1

# The window: its class, title, frame, inner size, and its place in the middle of the screen.
# Wine settles the window's place from the X server's answers, which may come late: wait
# for the centred place rather than take the first report.
window_is_centred() {
  read_window
  window=$(grep '^window ' <<<"$report")
  IFS=, read -r ox oy ow oh <<<"$(field outer "$window")"
  IFS=x read -r sw sh <<<"$(field screen "$window")"
  [ -n "$sh" ] && [ "$ox" = $(((sw - (ow < sw ? ow : sw)) / 2)) ] &&
    [ "$oy" = $(((sh - (oh < sh ? oh : sh)) / 2)) ]
}
if wait_for 20 "the window centred on the screen" window_is_centred; then
  pass "window centred on the screen at $ox,$oy"
fi
check_eq "window class" "$(field class "$window")" WindowClass_1
check_eq "window title" "$(field title "$window")" "[${title// /_}]"
check_eq "window style (caption, system menu, nothing else)" "$(field style "$window")" 0x14C80000
check_eq "window inner size" "$(field client "$window")" 614x430

# The controls, in creation order: number class x y width height style extended-style text.
expected_controls=$(cat <<'EOF'
1 Static 2 2 614 237 0x5000010E 0x00000000 []
7 Static 5 242 604 3 0x50020001 0x00020000 []
5 Static 20 262 120 20 0x50020080 0x00000000 [Dossier_d'installation:]
6 Edit 150 262 360 20 0x50030080 0x00000200 [c:\Tovalu]
9 Button 360 292 150 30 0x50030000 0x00000000 [Installer]
8 Button 150 292 150 30 0x50030000 0x00000000 [Choisir_un_autre_dossier...]
10 Button 10 322 594 40 0x50020007 0x00000000 []
11 msctls_progress32 20 338 574 15 0x50000000 0x00000000 []
12 Static 20 367 574 20 0x50020080 0x00000000 [INSTALLATION_DU_LOGICIEL_Tovalu_v2_-_Gestion_de_la_production_(2023)]
EOF
)
got_controls=$(grep '^control ' <<<"$report" | while read -r line; do
  printf '%s %s %s %s %s %s %s %s %s\n' "$(field id "$line")" "$(field class "$line")" \
    "$(field x "$line")" "$(field y "$line")" "$(field w "$line")" "$(field h "$line")" \
    "$(field style "$line")" "$(field exstyle "$line")" "$(field text "$line")"
done)
if [ "$got_controls" = "$expected_controls" ]; then
  pass "the nine controls, in creation order, as laid out for the carried banner"
else
  fail "the controls differ from the table"
  diff <(echo "$expected_controls") <(echo "$got_controls") >&2 || true
fi
while read -r line; do
  id=$(field id "$line")
  check_eq "control $id enabled and visible" "$(field enabled "$line")/$(field visible "$line")" 1/1
done < <(grep '^control ' <<<"$report")
check_eq "progress bar range and position" "$(field progress "$(control_line 11)")" 0..100@0
case $(focused_control) in
  0|-1) pass "no control has the focus when the window opens" ;;
  *) fail "control $(focused_control) has the focus when the window opens" ;;
esac

# A picture of the window, kept with the build, and the status line's idle colour 3A44C5
# (58, 68, 197) read from the pixels of its text; the label beside it stays black.
shot=$artefacts/installer-window.png
import -window root -crop "${ow}x${oh}+${ox}+${oy}" +repage "$shot"
echo "screenshot: $shot"
crop_count() { # crop_count CONTROL_LINE COLOUR
  local line=$1 colour=$2
  IFS=, read -r cx cy <<<"$(field screen "$line")"
  convert "$shot" -crop "$(field w "$line")x$(field h "$line")+$((cx - ox))+$((cy - oy))" \
    +repage txt:- | grep -ci "#$colour" || true
}
status_blue=$(crop_count "$(control_line 12)" 3A44C5)
label_blue=$(crop_count "$(control_line 5)" 3A44C5)
if [ "$status_blue" -ge 20 ]; then pass "status line drawn in 3A44C5 ($status_blue pixels)"
else fail "status line has only $status_blue pixels of 3A44C5"; fi
check_eq "pixels of 3A44C5 in the folder label" "$label_blue" 0

# Keyboard: Tab and Shift+Tab over the three Tab stops in creation order, wrapping around.
if ! wait_for 30 "X focus on the installer window" focus_x_window; then exit 1; fi
press_and_expect_focus Tab 6
press_and_expect_focus Tab 9
press_and_expect_focus Tab 8
press_and_expect_focus Tab 6
press_and_expect_focus shift+Tab 8
press_and_expect_focus shift+Tab 9
press_and_expect_focus shift+Tab 6
press_and_expect_focus shift+Tab 8
check_eq "focus rectangles shown after Tab" "$(field hidefocus "$(grep '^focus ' <<<"$report")")" 0
check_eq "field text after the Tab presses" "$(field text "$(control_line 6)")" '[c:\Tovalu]'

# Enter and Escape press neither button: on BrowseButton no picker opens (it would disable
# the window), on InstallButton no installation starts. The next Tab's arrival shows that
# the keys before it have been handled.
press Return
press Escape
press_and_expect_focus shift+Tab 9
check_eq "window still enabled after Enter and Escape on BrowseButton" \
  "$(field enabled "$(grep '^window ' <<<"$report")")" 1
press Return
press Escape
press_and_expect_focus Tab 8
check_eq "window still enabled after Enter and Escape on InstallButton" \
  "$(field enabled "$(grep '^window ' <<<"$report")")" 1
check_eq "status line after Enter and Escape" "$(field text "$(control_line 12)")" \
  "[INSTALLATION_DU_LOGICIEL_Tovalu_v2_-_Gestion_de_la_production_(2023)]"
check_eq "buttons after Enter and Escape" \
  "$(field enabled "$(control_line 9)")/$(field enabled "$(control_line 8)")" 1/1
if installer_has_ended; then fail "the installer ended on Enter or Escape"; fi

# The close box, clicked where the window says it is.
box=$(probe closebox)
read -r _ bx by <<<"$box"
if [ -z "${by:-}" ] || [ "$bx" = none ]; then
  fail "no close box found ($box)"
  kill "$installer_pid" 2>/dev/null || true
else
  xdotool mousemove --sync "$bx" "$by" click 1
  expect_exit_zero "a click on the close box"
fi
expect_nothing_left "the close box"

# --- Second run: Alt+F4 ------------------------------------------------------------------
start_installer || exit 1
wait_for 30 "X focus on the installer window" focus_x_window || exit 1
press alt+F4
expect_exit_zero "Alt+F4"
expect_nothing_left "Alt+F4"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all checks passed"

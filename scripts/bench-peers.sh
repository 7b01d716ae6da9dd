#!/usr/bin/env bash
# Compares the installer with what a packager would pick instead: an NSIS installer (makensis
# from Debian, amd64 stub) carrying the same payload, and Wine's xcopy. Prints figures and
# side-by-side ratios from one run; nothing here passes or fails.
#
#   scripts/bench-peers.sh [--runs N] [--files N] [--build DIR]
#
# 1. Start to first window on screen, and close request to process exit: our 64-bit installer
#    and the NSIS installer, both under wine64, on the sample payload.
# 2. A whole installation of a generated payload: our copy phase (CopyDirectoryTree in its own
#    process), the NSIS installer in silent mode (compression off), and xcopy /E /I /Y /H;
#    process start to exit for each, with the process's peak memory.
# 3. Sizes: our 32-bit installer against the NSIS x86 stub and a minimal NSIS x86 installer.
# 4. The banner's decode time.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/common.sh
. "$here/common.sh"

runs=5 files=2000 build=$TOVALU_ROOT/build/win64
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift ;;
    --files) files=$2; shift ;;
    --build) build=$(cd "$2" && pwd); shift ;;
    *) echo "usage: $0 [--runs N] [--files N] [--build DIR]" >&2; exit 2 ;;
  esac
  shift
done
win32_installer=$TOVALU_ROOT/build/win32/ui/Tovalu-v2-x86.exe
installer=$build/ui/Tovalu-v2-x64.exe
copy_bench=$build/tests/fs/fs_copy_bench.exe
banner_bench=$build/tests/ui/ui_banner_bench.exe
for f in "$installer" "$copy_bench" "$banner_bench" "$win32_installer"; do
  [ -f "$f" ] || { echo "missing $f: build the win64 and win32 presets first" >&2; exit 2; }
done
command -v makensis >/dev/null || { echo "no makensis: run scripts/setup.sh" >&2; exit 2; }

prefix=$build/bench-prefix
ensure_display
work=/tmp/tovalu-peers
mkdir -p "$work"
owner=$(id -un)
[ "$(id -u)" -eq 0 ] && owner=$TOVALU_TEST_USER
chown "$owner" "$work"
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
wine_run() { "$TOVALU_ROOT/scripts/wine-run.sh" "$prefix" "$@"; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# nsis_installer NAME PAYLOAD TARGET: compiles an NSIS installer of PAYLOAD, uncompressed.
nsis_installer() {
  local name=$1 payload=$2 target=$3 out=$work/$1.exe
  cat >"$work/$name.nsi" <<NSI
Unicode true
Target $target
Name "Tovalu"
Caption "Tovalu NSIS"
OutFile "$out"
InstallDir "C:\\Tovalu-nsis"
RequestExecutionLevel user
SetCompress off
Page directory
Page instfiles
Section
  SetOutPath \$INSTDIR
$( [ -n "$payload" ] && printf '  File /r "%s/*.*"' "$payload" )
SectionEnd
NSI
  makensis -V1 "$work/$name.nsi" >/dev/null
  chown "$owner" "$out"
  echo "$out"
}

# window_times PROGRAM TITLE_PATTERN: prints "open_ms close_ms" for one start and close.
window_times() {
  local program=$1 pattern=$2 start opened closed pid window=""
  start=$(now_ms)
  (cd "$work/run" && exec "$TOVALU_ROOT/scripts/wine-run.sh" "$prefix" "$program") &
  pid=$!
  for _ in $(seq 1 3000); do
    window=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    sleep 0.005
  done
  opened=$(now_ms)
  [ -n "$window" ] || { kill "$pid" 2>/dev/null; echo "nan nan"; return; }
  # Let it settle so the close is measured from an idle window.
  sleep 1
  xdotool windowfocus "$window" 2>/dev/null || true
  sleep 0.2
  xdotool key alt+F4 2>/dev/null || true
  closed=$(now_ms)
  wait "$pid" || true
  echo "$((opened - start)) $(( $(now_ms) - closed ))"
}

median() { sort -n | awk '{a[NR]=$1} END {if (NR) print a[int((NR+1)/2)]; else print "nan"}'; }

rm -rf "$work/run" && mkdir -p "$work/run" && cp -r "$TOVALU_ROOT/tests/sample/DataFile" "$work/run/"
chown -R "$owner" "$work/run"
log "building the NSIS installers"
nsis_sample=$(nsis_installer nsis-sample "$TOVALU_ROOT/tests/sample/DataFile" amd64-unicode)
nsis_empty_x86=$(nsis_installer nsis-empty-x86 "" x86-unicode)

log "warming the prefix"
window_times "$installer" "Installation du logiciel de gestion" >/dev/null
window_times "$nsis_sample" "Tovalu NSIS" >/dev/null

: >"$work/windows.txt"
for round in $(seq 1 "$runs"); do
  read -r o c < <(window_times "$installer" "Installation du logiciel de gestion")
  echo "ours $o $c" >>"$work/windows.txt"
  read -r o c < <(window_times "$nsis_sample" "Tovalu NSIS")
  echo "nsis $o $c" >>"$work/windows.txt"
  log "round $round: $(tail -n 2 "$work/windows.txt" | tr '\n' ' ')"
done

payload=$("$here/bench-payload.sh" "$work" peers "$files" "$owner")
log "building the NSIS installer of the generated payload ($(du -sh "$payload" | cut -f1))"
nsis_big=$(nsis_installer nsis-big "$payload" amd64-unicode)

# timed NAME COMMAND...: one process, start to exit, with its peak resident memory.
timed() {
  local name=$1; shift
  rm -rf "$work/out"; sync
  /usr/bin/time -f "%e %M %x" -o "$work/time.txt" "$@" >/dev/null 2>&1 || true
  echo "$name $(tail -n 1 "$work/time.txt")" >>"$work/install.txt"
}
: >"$work/install.txt"
timed warmup "$TOVALU_ROOT/scripts/wine-run.sh" "$prefix" "$copy_bench" tree "$(windows_path "$payload")" "$(windows_path "$work/out")"
for _ in $(seq 1 "$runs"); do
  timed ours "$TOVALU_ROOT/scripts/wine-run.sh" "$prefix" "$copy_bench" tree "$(windows_path "$payload")" "$(windows_path "$work/out")"
  timed nsis "$TOVALU_ROOT/scripts/wine-run.sh" "$prefix" "$nsis_big" /S "/D=$(windows_path "$work/out")"
  timed xcopy "$TOVALU_ROOT/scripts/wine-run.sh" "$prefix" "$copy_bench" xcopy "$(windows_path "$payload")" "$(windows_path "$work/out")"
done
rm -rf "$work/out"

banner=$(wine_run "$banner_bench" | tr -d '\r')

stub=/usr/share/nsis/Stubs/zlib-x86-unicode
python3 - "$work/windows.txt" "$work/install.txt" "$banner" "$win32_installer" "$stub" "$nsis_empty_x86" "$files" "$(du -sh "$payload" | cut -f1)" <<'PY'
import os, re, statistics, sys
windows, install, banner, ours32, stub, nsis_empty, files, size = sys.argv[1:]
def col(path, name, i):
    return [float(l.split()[i]) for l in open(path) if l.split()[0] == name and l.split()[i] != "nan"]
def med(v): return statistics.median(v) if v else float("nan")
print("\nStart to first window on screen, and close request to process exit (median ms):")
print(f"  {'':24s} {'ours (x64)':>11s} {'NSIS (amd64)':>13s} {'ratio':>7s}")
for i, label in ((1, "start to window"), (2, "close to exit")):
    o, n = med(col(windows, "ours", i)), med(col(windows, "nsis", i))
    print(f"  {label:24s} {o:11.0f} {n:13.0f} {o / n:7.2f}")
print(f"\nInstallation of a generated payload ({files} files, {size}), process start to exit (median):")
o = med(col(install, "ours", 1)); n = med(col(install, "nsis", 1)); x = med(col(install, "xcopy", 1))
print(f"  ours (copy phase)  {o:7.2f} s")
print(f"  NSIS silent        {n:7.2f} s   ours/NSIS  {o / n:.2f}")
print(f"  xcopy /E /I /Y /H  {x:7.2f} s   ours/xcopy {o / x:.2f}")
bad = [l.split()[0] for l in open(install) if l.split()[-1] != "0" and l.split()[0] != "warmup"]
if bad: print(f"  WARNING: non-zero exit codes from: {' '.join(sorted(set(bad)))}")
print("Peak resident memory during that copy (median, as Linux sees the Wine process):")
for name in ("ours", "nsis", "xcopy"):
    print(f"  {name:6s} {med(col(install, name, 2)) / 1024:7.1f} MB")
print("\nSizes:")
a, b, c = os.path.getsize(ours32), os.path.getsize(stub), os.path.getsize(nsis_empty)
print(f"  our 32-bit installer (banner, icon, libjpeg, C++ runtime inside) {a / 1024:7.1f} KB")
print(f"  NSIS x86 stub alone                                             {b / 1024:7.1f} KB   ratio {a / b:.2f}")
print(f"  smallest NSIS x86 installer (no payload)                        {c / 1024:7.1f} KB   ratio {a / c:.2f}")
m = dict(re.findall(r"(\w+)=(\S+)", banner))
print(f"\nBanner decode (614 x 237): first {float(m.get('first_ms', 'nan')):.2f} ms, "
      f"then {float(m.get('each_ms', 'nan')):.2f} ms each")
PY

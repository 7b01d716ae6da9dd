#!/usr/bin/env bash
# Runs one file-system test program under Wine, with the fixtures a Windows program cannot
# make for itself, passed on in environment variables:
#
#   tests/fs/run-with-fixtures.sh PREFIX PROGRAM.exe [ARGS...]
#
# - TOVALU_FS_SPARE_DRIVE: a free drive letter of the prefix ("r:"...), mapped to an empty
#   scratch folder, so that a copy into a drive root touches nothing else;
# - TOVALU_FS_FULL_DISK: a folder on a 2 MB tmpfs (only when started as root, which the
#   mount needs; the tests that want it are skipped otherwise);
# - TOVALU_FS_LOCKED: an empty folder the test user cannot write;
# - TOVALU_FS_SEALED: a folder the test user cannot write, holding a "PathFile.txt" that
#   the user may write but not delete.
# The program itself runs through scripts/wine-run.sh (as the test user when started as
# root); everything made here is removed afterwards. The exit code is the program's, or 1
# when the program died before GoogleTest's summary.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
# shellcheck source=scripts/common.sh
. "$root/scripts/common.sh"

[ $# -ge 2 ] || { echo "usage: $0 PREFIX PROGRAM [ARGS...]" >&2; exit 2; }
prefix=$1; shift
runner=$root/scripts/wine-run.sh

owner=$(id -un)
[ "$(id -u)" -eq 0 ] && owner=$TOVALU_TEST_USER

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

scratch=$(mktemp -d /tmp/tovalu-fs-fixtures.XXXXXX)
chmod 755 "$scratch"
drive_link=
cleanup() {
  if [ -n "$drive_link" ]; then rm -f "$drive_link"; fi
  if mountpoint -q "$scratch/full" 2>/dev/null; then
    umount "$scratch/full" 2>/dev/null || umount -l "$scratch/full" || true
  fi
  chmod -R u+w "$scratch" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

# A drive can only be added to a prefix that exists: a first quick run creates it.
[ -e "$prefix/system.reg" ] || "$runner" "$prefix" "$1" --gtest_list_tests >/dev/null

# The spare drive. Links left by a run that was killed point at folders that are gone.
mkdir "$scratch/drive"
chown "$owner" "$scratch/drive"
for link in "$prefix"/dosdevices/[r-y]:; do
  if [ -L "$link" ] && [ ! -e "$link" ]; then
    case $(readlink "$link") in /tmp/tovalu-fs-fixtures.*) rm -f "$link" ;; esac
  fi
done
for letter in r s t u v w x y; do
  # ln -T refuses a name that exists (plain ln would put the link inside the folder that
  # a taken letter points at), so two runs in the same prefix never share a letter.
  if ln -sT "$scratch/drive" "$prefix/dosdevices/$letter:" 2>/dev/null; then
    drive_link=$prefix/dosdevices/$letter:
    export TOVALU_FS_SPARE_DRIVE="$letter:"
    break
  fi
done
[ -n "$drive_link" ] || log "no free drive letter in $prefix: the drive-root test is skipped"

# The small disk.
if [ "$(id -u)" -eq 0 ]; then
  mkdir "$scratch/full"
  if mount -t tmpfs -o "size=2m,mode=0755,uid=$(id -u "$owner")" tovalu-fs-full "$scratch/full"; then
    export TOVALU_FS_FULL_DISK
    TOVALU_FS_FULL_DISK=$(windows_path "$scratch/full")
  else
    log "tmpfs mount refused: the full-disk test is skipped"
  fi
else
  log "not root: no small disk can be mounted, the full-disk test is skipped"
fi

# Folders the test user cannot write: left to root when started as root, else write-protected.
mkdir "$scratch/locked" "$scratch/sealed"
echo "old content" >"$scratch/sealed/PathFile.txt"
chown "$owner" "$scratch/sealed/PathFile.txt"
chmod 666 "$scratch/sealed/PathFile.txt"
[ "$(id -u)" -eq 0 ] || chmod 555 "$scratch/locked" "$scratch/sealed"
export TOVALU_FS_LOCKED TOVALU_FS_SEALED
TOVALU_FS_LOCKED=$(windows_path "$scratch/locked")
TOVALU_FS_SEALED=$(windows_path "$scratch/sealed")

# Wine ends a program that overflows its stack with exit code 0: a run that started its
# tests but never printed GoogleTest's closing summary has died on the way.
set +e
"$runner" "$prefix" "$@" 2>&1 | tee "$scratch/output"
status=${PIPESTATUS[0]}
set -e
if [ "$status" -eq 0 ] && grep -q '^\[==========\] Running' "$scratch/output" &&
   ! grep -q '^\[==========\] .* ran\.' "$scratch/output"; then
  echo "the test program ended before its summary: it crashed" >&2
  status=1
fi
exit "$status"

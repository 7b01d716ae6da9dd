#!/usr/bin/env bash
# Sets the machine up, builds the three trees and runs every test: native, native under
# AddressSanitizer + UBSan, and the Windows tests under wine64 (as the unprivileged user).
# The 32-bit installer is built and inspected, never run. Exit code 0 only when all pass.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/common.sh
. "$here/common.sh"
cd "$TOVALU_ROOT" || exit 2

bash scripts/setup.sh || exit 2
ensure_display || exit 2

log=$(mktemp)
failed_steps=()
step() { # step NAME COMMAND...
  log "$1"
  shift
  "$@" 2>&1 | tee -a "$log"
  local rc=${PIPESTATUS[0]}
  [ "$rc" -eq 0 ] || failed_steps+=("$*")
  return "$rc"
}
jobs=$(nproc)

for preset in native native-asan fuzz; do
  step "configure $preset" cmake --preset "$preset" >/dev/null &&
  step "build $preset" cmake --build --preset "$preset" -j "$jobs" &&
  step "test $preset" ctest --preset "$preset" -j "$jobs"
done
step "configure win32" cmake --preset win32 >/dev/null &&
step "build win32" cmake --build --preset win32 -j "$jobs"
step "configure win64" cmake --preset win64 >/dev/null &&
step "build win64" cmake --build --preset win64 -j "$jobs" &&
step "test win64" ctest --preset win64 -j "$jobs"

# One closing line for the whole run, summed over the ctest runs above.
passed=0 failed=0
while read -r total bad; do
  passed=$((passed + total - bad)); failed=$((failed + bad))
done < <(sed -n 's/^[0-9]*% tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\)$/\2 \1/p' "$log")
rm -f "$log"
if [ ${#failed_steps[@]} -gt 0 ]; then
  printf 'failed step: %s\n' "${failed_steps[@]}"
  [ "$failed" -gt 0 ] || failed=1
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

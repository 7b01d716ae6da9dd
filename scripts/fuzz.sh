#!/usr/bin/env bash
# Fuzzes every libFuzzer target for longer than the test run does:
#   scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 300)
# The corpora live in build/fuzz/tests/fuzz/corpus and grow from run to run.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/common.sh
. "$here/common.sh"
cd "$TOVALU_ROOT"
seconds=${1:-300}
bash scripts/setup.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
status=0
for fuzzer in build/fuzz/tests/fuzz/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  log "fuzzing $name for $seconds s"
  scripts/fuzz-once.sh "$fuzzer" "build/fuzz/tests/fuzz/corpus/$name" "tests/fuzz/seeds/$name" -1 \
    -max_total_time="$seconds" -jobs=1 || status=1
done
exit $status

#!/usr/bin/env bash
# Runs one libFuzzer target for a bounded number of inputs:
#   scripts/fuzz-once.sh FUZZER CORPUS_DIR SEED_DIR RUNS [extra libFuzzer flags...]
# The corpus grows between runs; the seeds (committed) are read, never written.
# A crash leaves its input in the corpus folder's parent as crash-*; turn it into a test.
set -euo pipefail
fuzzer=$1 corpus=$2 seeds=$3 runs=$4
shift 4
mkdir -p "$corpus"
dirs=("$corpus")
[ -d "$seeds" ] && dirs+=("$seeds")
cd "$(dirname "$corpus")"
exec "$fuzzer" -runs="$runs" -max_len=4096 -timeout=10 -print_final_stats=1 "$@" "${dirs[@]}"

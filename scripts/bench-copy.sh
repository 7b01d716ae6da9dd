#!/usr/bin/env bash
# Copy benchmark: prints how the installer's tree copy compares with other ways of copying
# the same payload. Figures only: nothing here passes or fails.
#
#   scripts/bench-copy.sh [--large] [--runs N] [--build DIR]
#
# - generates a reproducible synthetic payload under /tmp/tovalu-bench (thousands of files
#   in nested folders, mixed sizes; kept between runs, never inside the repository);
# - copies it, in interleaved rounds, with CopyDirectoryTree (fs_copy_bench tree), a bare
#   recursive CopyFileW walk (fs_copy_bench loop, the floor of the platform's copy), Wine's
#   own xcopy /E /I /Y /H (started by fs_copy_bench, timed from its start to its exit), and
#   native cp -r; prints the median times and the tree copy's ratios to the others;
# - prints the tree copy's peak memory for a smaller and a bigger payload.
# Default: ~370 MB in 3000 files against ~75 MB in 600 files, well under five minutes.
# --large: ~1.8 GB in 15000 files against the default payload.
# Windows programs run through scripts/wine-run.sh in the build tree's own prefix.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/common.sh
. "$here/common.sh"

size=default runs=3 build=$TOVALU_ROOT/build/win64
while [ $# -gt 0 ]; do
  case $1 in
    --large) size=large ;;
    --runs) runs=$2; shift ;;
    --build) build=$(cd "$2" && pwd); shift ;;
    *) echo "usage: $0 [--large] [--runs N] [--build DIR]" >&2; exit 2 ;;
  esac
  shift
done
bench=$build/tests/fs/fs_copy_bench.exe
[ -x "$bench" ] || [ -f "$bench" ] || {
  echo "no $bench: build it with cmake --build $build --target fs_copy_bench" >&2; exit 2; }
prefix=$build/wineprefix
ensure_display

work=/tmp/tovalu-bench
mkdir -p "$work"
chmod 755 "$work"
owner=$(id -un)
[ "$(id -u)" -eq 0 ] && owner=$TOVALU_TEST_USER
chown "$owner" "$work"

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# make_payload NAME FILES: the same tree every time for the same arguments.
make_payload() { "$here/bench-payload.sh" "$work" "$1" "$2" "$owner"; }

# run_windows MODE SOURCE OUT: the program's own line, with the process's wall time and
# maximum resident size as Linux sees them.
run_windows() {
  /usr/bin/time -f "wall_s=%e maxrss_kb=%M" -o "$work/time.txt" \
    "$TOVALU_ROOT/scripts/wine-run.sh" "$prefix" "$bench" "$1" "$(windows_path "$2")" "$(windows_path "$3")" \
    | tr -d '\r' | grep '^mode=' || true
  cat "$work/time.txt"
}

# Each copy starts with no destination and no dirty pages left by the one before.
fresh_out() { rm -rf "$work/out"; sync; }

case $size in
  default) small=$(make_payload small 600); big=$(make_payload default 3000) ;;
  large) small=$(make_payload default 3000); big=$(make_payload large 15000) ;;
esac
log "payloads: $(du -sh "$small" | cut -f1) in $(find "$small" -type f | wc -l) files, $(du -sh "$big" | cut -f1) in $(find "$big" -type f | wc -l) files"

results=$work/results.txt
: >"$results"
# A first untimed copy warms the page cache and the prefix.
fresh_out; run_windows tree "$big" "$work/out" >/dev/null
for round in $(seq 1 "$runs"); do
  for method in tree loop xcopy; do
    fresh_out
    line=$(run_windows "$method" "$big" "$work/out" | tr '\n' ' ')
    echo "round=$round method=$method $line" | tee -a "$results" >&2
  done
  fresh_out
  start=$(date +%s%N)
  cp -r "$big" "$work/out"
  echo "round=$round method=cp ms=$(( ($(date +%s%N) - start) / 1000000 ))" | tee -a "$results" >&2
done
# xcopy's own start-up, on an empty tree, to read its figure fairly.
mkdir -p "$work/empty"; chown "$owner" "$work/empty"
for round in $(seq 1 "$runs"); do
  fresh_out
  echo "round=$round method=xcopy-empty $(run_windows xcopy "$work/empty" "$work/out" | tr '\n' ' ')" >>"$results"
done
for payload in "$small" "$big"; do
  fresh_out
  echo "method=memory payload=$(basename "$payload") $(run_windows tree "$payload" "$work/out" | tr '\n' ' ')" >>"$results"
done
fresh_out

python3 - "$results" <<'PY'
import re, statistics, sys
rows = [dict(re.findall(r"(\w+)=(\S+)", line)) for line in open(sys.argv[1])]
def median(method, key="ms"):
    values = [float(r[key]) for r in rows if r.get("method") == method and key in r]
    return statistics.median(values) if values else float("nan")
failed = [r for r in rows if r.get("result") == "0"]
t = {m: median(m) for m in ("tree", "loop", "xcopy", "cp", "xcopy-empty")}
print("\nCopy of the payload, median of the rounds (ms, inside the copying process):")
for m, label in (("tree", "CopyDirectoryTree"), ("loop", "bare CopyFileW walk"),
                 ("xcopy", "xcopy /E /I /Y /H"), ("cp", "native cp -r")):
    print(f"  {label:22s} {t[m]:9.0f}")
print(f"  (xcopy start-up on an empty tree: {t['xcopy-empty']:.0f} ms)")
print("Ratios of the tree copy's time:")
print(f"  to xcopy             {t['tree'] / t['xcopy']:.2f}   (target: below 1)")
print(f"  to xcopy less start-up {t['tree'] / (t['xcopy'] - t['xcopy-empty']):.2f}")
print(f"  to the bare walk     {t['tree'] / t['loop']:.3f}  (target: at most 1.05)")
print(f"  to cp -r             {t['tree'] / t['cp']:.2f}")
print("Peak memory of the tree copy's process:")
for r in rows:
    if r.get("method") == "memory":
        print(f"  {r['payload']:28s} working set {int(r['peak_ws_kb']) / 1024:7.1f} MB, "
              f"private {int(r['peak_private_kb']) / 1024:7.1f} MB, "
              f"Linux max RSS {int(r['maxrss_kb']) / 1024:7.1f} MB")
if failed:
    print(f"WARNING: {len(failed)} copies reported failure")
PY

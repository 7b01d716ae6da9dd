#!/usr/bin/env bash
# Generates (once) a reproducible synthetic payload for the benchmarks and prints its folder:
#   scripts/bench-payload.sh WORK_DIR NAME FILES [OWNER]
# Thousands of files in nested folders, mixed sizes; the same tree every time for the same
# arguments, kept between runs under WORK_DIR and never inside the repository.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/common.sh
. "$here/common.sh"
work=$1 name=$2 count=$3 owner=${4:-$(id -un)}
dir=$work/payload-$name-$count-v1
if [ ! -e "$dir.done" ]; then
  rm -rf "$dir"
  log "generating payload $name ($count files) in $dir"
  python3 - "$dir" "$count" <<'PY'
import os, random, sys
root, count = sys.argv[1], int(sys.argv[2])
rng = random.Random(20231)
block = random.Random(7).randbytes(1 << 20)
folders = [""]
for i in range(max(4, count // 12)):
    parent = rng.choice(folders)
    if parent.count("/") >= 5:
        parent = ""
    folders.append(f"{parent}/dir{i:04d}".lstrip("/"))
for folder in folders:
    os.makedirs(os.path.join(root, folder), exist_ok=True)
exts = ["txt", "dat", "bin", "dll", "exe", "jpg", ""]
for i in range(count):
    r = rng.random()
    if r < 0.70: size = rng.randint(1, 32 << 10)
    elif r < 0.95: size = rng.randint(32 << 10, 256 << 10)
    elif r < 0.995: size = rng.randint(256 << 10, 2 << 20)
    else: size = rng.randint(2 << 20, 8 << 20)
    ext = rng.choice(exts)
    name = f"f{i:05d}" + (f".{ext}" if ext else "")
    offset = rng.randrange(len(block))
    data = (block[offset:] + block[:offset]) * (size // len(block) + 1)
    with open(os.path.join(root, rng.choice(folders), name), "wb") as f:
        f.write(data[:size])
PY
  chown -R "$owner" "$dir"
  touch "$dir.done"
fi
echo "$dir"

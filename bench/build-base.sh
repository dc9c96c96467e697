#!/usr/bin/env bash
# Builds bench_office against the code of an earlier commit (BENCH_BASE) with FILES of this tree copied
# over it, so that a benchmark measures both side by side in one run.
#   bench/build-base.sh [DIR FILE...]   prints the path of the program built; DIR under build/ (default
#                                       bench-base), FILES default bench/office.cpp
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
base=${BENCH_BASE:-97bdb0a9d1709ef6b2cbc42486932ce326cee3bf}
dir=$root/build/${1:-bench-base}
[ $# -gt 0 ] && shift
files=("$@")
[ ${#files[@]} -gt 0 ] || files=(bench/office.cpp)
mkdir -p "$dir"
if [ "$(cat "$dir/commit" 2>/dev/null)" != "$base" ]; then
  rm -rf "$dir/src" "$dir/build"
  mkdir -p "$dir/src"
  git -C "$root" archive "$base" | tar -x -C "$dir/src"
  echo "$base" > "$dir/commit"
fi
for f in "${files[@]}"; do cp "$root/$f" "$dir/src/$f"; done
cmake -S "$dir/src" -B "$dir/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$dir/build" --target bench_office -j"${JOBS:-2}" >/dev/null
echo "$dir/build/bench/bench_office"

#!/usr/bin/env bash
# Builds bench_office against the code of before the change ring (BENCH_BASE, a commit), from this
# tree's bench/office.cpp, so that bench/run.sh measures both side by side in one run.
#   bench/build-base.sh           prints the path of the program built
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
base=${BENCH_BASE:-97bdb0a9d1709ef6b2cbc42486932ce326cee3bf}
dir=$root/build/bench-base
mkdir -p "$dir"
if [ "$(cat "$dir/commit" 2>/dev/null)" != "$base" ]; then
  rm -rf "$dir/src" "$dir/build"
  mkdir -p "$dir/src"
  git -C "$root" archive "$base" | tar -x -C "$dir/src"
  echo "$base" > "$dir/commit"
fi
cp "$root/bench/office.cpp" "$dir/src/bench/office.cpp"
cmake -S "$dir/src" -B "$dir/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$dir/build" --target bench_office -j"${JOBS:-2}" >/dev/null
echo "$dir/build/bench/bench_office"

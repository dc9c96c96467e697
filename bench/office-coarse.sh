#!/usr/bin/env bash
# The office beside older PCs on a fine share and on shares that keep 1-s and 2-s times, the code of
# before (BENCH_BASE, this branch's start by default) and this tree's side by side in one run: prints
# a table for bench/RESULTS.md. The clock runs at real speed, so that a stamp's tick is a real second.
#   bench/office-coarse.sh CLIENTS OLDER MINUTES SAVES_PER_HOUR WORK_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
clients=$1 older=$2 minutes=$3 saves=$4 work=$5
now=$root/build/native/bench/bench_office
base=${BENCH_BASE:-$(git -C "$root" merge-base HEAD main)}
# The benchmark and the file layer's test hooks (the simulated coarse share) are this tree's.
before=$(BENCH_BASE=$base "$root/bench/build-base.sh" bench-before bench/office.cpp platform/faults.h \
  platform/faults.cpp platform/files.h platform/files.cpp platform/files_posix.cpp store/names.cpp)
echo "| Code | Times | Lock held | Saves | Gave up | Save p99 ms | Ours' bytes/min | per PC of ours | older's per PC | To every PC p50 s | p99 s |"
echo "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
ours=$((clients - older))
for coarse in 0 1 2; do
  for run in before now; do
    program=$now
    [ "$run" = before ] && program=$before
    line=$(TAVELIN_CLOCK_SCALE=1 "$program" "$work" "$clients" "$minutes" 30000 watch "$saves" "$coarse" "$older") ||
      echo "office $run $coarse: a client failed" >&2
    val() { echo "$line" | tr ' ' '\n' | sed -n "s/^$1=//p"; }
    all=$(val bytes-per-minute) mine=$(val ours-bytes-per-minute)
    times=fine
    [ "$coarse" != 0 ] && times="${coarse}-s"
    secs() { awk -v ms="$(val "$1")" 'BEGIN { printf "%.1f", ms / 1000 }'; }
    echo "| $run | $times | $(val lock-held) | $(val saves) | $(val gave-up) | $(val save-p99-ms) | $mine | $((mine / ours)) | $(((all - mine) / older)) | $(secs to-all-p50-ms) | $(secs to-all-p99-ms) |"
  done
done

#!/usr/bin/env bash
# The office of 300 on the fast clock, the code of before and this tree's side by side in one run:
# prints its part of bench/RESULTS.md (bench/run.sh appends it there).
#   bench/office.sh MINUTES WORK_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
minutes=$1 work=$2
now=$root/build/native/bench/bench_office
before=$("$root/bench/build-base.sh")
base=$(cat "$root/build/bench-base/commit")
echo "An office: \`TAVELIN_CLOCK_SCALE=10 bench_office build/bench-work 300 $minutes 30000 MODE SAVES\`: 300 processes,"
echo "each with its timer at one minute and SAVES saves an hour at random, 30 ms a round trip, on a clock ten times"
echo "faster than real time (office times below). \"full\" reads the board under the lock at every tick; \"poll\" is"
echo "the timer's look; \"watch\" the look too, each client told of every save as a folder watch tells it, and"
echo "looking after a spread of up to 2 s (plus the half second in which the benchmark notices). \"before\" is the"
echo "same benchmark source built against the code of before the change ring (\`bench/build-base.sh\`, commit"
echo "${base:0:7}); \"now\" is this tree; the rows ran one after the other in this run. Lock held: share of samples"
echo "that found sem.dat. Bytes per minute after the first minute, in which every client reads the board once as"
echo "it starts; \"saves'\" is the part the saves themselves read (each reads the whole board under the lock, as"
echo "before). To every PC: from a save's end to the last other client whose image showed it, over the saves that"
echo "every client saw before the end (\"seen\")."
echo
echo "| Code | Timer | Saves/h | Lock held | Busy answers | Saves | Gave up | Save p50 ms | Save p99 ms | Bytes read/min | saves' | others' | Seen | To every PC p50 s | p99 s |"
echo "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
for saves in 3 0; do
  for run in "before full" "before poll" "now poll" "now watch"; do
    set -- $run
    program=$now
    [ "$1" = before ] && program=$before
    line=$(TAVELIN_CLOCK_SCALE=10 "$program" "$work" 300 "$minutes" 30000 "$2" "$saves") || echo "office $run $saves: a client failed" >&2
    val() { echo "$line" | tr ' ' '\n' | sed -n "s/^$1=//p"; }
    others=$(( $(val bytes-per-minute) - $(val save-bytes-per-minute) ))
    secs() { awk -v ms="$(val "$1")" 'BEGIN { printf "%.1f", ms / 1000 }'; }
    echo "| $1 | $2 | $saves | $(val lock-held) | $(val busy) | $(val saves) | $(val gave-up) | $(val save-p50-ms) | $(val save-p99-ms) | $(val bytes-per-minute) | $(val save-bytes-per-minute) | $others | $(val seen-by-all) | $(secs to-all-p50-ms) | $(secs to-all-p99-ms) |"
  done
done

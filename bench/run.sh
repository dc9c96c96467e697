#!/usr/bin/env bash
# Runs every benchmark in one go and writes bench/RESULTS.md. Expects the native build (and, for the
# Windows figures, the windows one) to exist; `make bench` builds them first.
#   bench/run.sh                  the full run
#   BENCH_QUICK=1 bench/run.sh    a short trial: fewer iterations, writes and wait attempts
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$root/build/native/bench
tests=$root/build/native/tests
win=$root/build/windows
# On the build's disk, not a memory file system: the commits to the device are part of the cost.
work=$root/build/bench-work
out=$root/bench/RESULTS.md
rm -rf "$work" && mkdir -p "$work"

if [ -n "${BENCH_QUICK:-}" ]; then
  iterations=30 writes=10 wait_attempts=3 traced=10 kind="trial run (BENCH_QUICK: fewer iterations)"
else
  iterations=300 writes=50 wait_attempts=20 traced=50 kind="full run"
fi
started=$(date +%s)
log() { echo "bench: $*" >&2; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

# System calls of one operation: strace -c of COUNT repetitions minus strace -c of none, per repetition.
syscalls_of() {
  local op=$1 n=$2
  strace -f -c -o "$work/st.$op.n" "$bin/bench_uncontended" "$work" repeat "$op" "$n" >/dev/null
  strace -f -c -o "$work/st.$op.0" "$bin/bench_uncontended" "$work" repeat "$op" 0 >/dev/null
  awk -v n="$n" '
    FNR == 1 { file++ }
    /^-/ || /^%/ || $NF == "total" || NF < 5 { next }
    { calls[$NF] += (file == 1 ? $4 : -$4) }
    END {
      total = 0; list = ""
      for (s in calls) if (calls[s] != 0) { c = calls[s] / n; total += c; list = list sprintf("%s %g, ", s, c) }
      sub(/, $/, "", list); printf "%g|%s\n", total, list
    }' "$work/st.$op.n" "$work/st.$op.0"
}

# Sections 2c and 3b come from runs of their own (bench/office-coarse.sh, and by hand), not from this
# one: kept as they stand rather than lost.
kept() { [ -f "$out" ] && awk -v s="## $1." 'index($0, s) == 1 { on = 1 } on && /^## / && index($0, s) != 1 { on = 0 } on' "$out"; }
kept 2c > "$work/kept-2c" || true
kept 3b > "$work/kept-3b" || true

{
  echo "# Benchmark results"
  echo
  echo "Produced by \`make bench\` (bench/run.sh), $kind."
  echo
  echo "- Machine: $(nproc) processors, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'),"
  echo "  $(uname -sr); load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
  echo "- Date: $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "- Scratch share: build/bench-work, file system $(stat -f -c %T "$work")"
  echo
} > "$out"

log "1. uncontended cost ($iterations iterations)"
"$bin/bench_uncontended" "$work" "$iterations" > "$work/medians"
"$bin/bench_calls" "$work" calls > "$work/seam"
med() { awk -v k="$1" '$1 == "median" && $2 == k { print $3 }' "$work/medians"; }
seam() { awk -v k="$1" '$1 == "seam" && $2 == k { print $3 }' "$work/seam"; }
have_strace=no
command -v strace >/dev/null && strace -f -c -o /dev/null true 2>/dev/null && have_strace=yes
declare -A sys=() sysl=()
for op in refresh refresh-named refresh-marked inline-read write inline-write inline-write-flush; do
  if [ $have_strace = yes ]; then
    r=$(syscalls_of "$op" "$traced"); sys[$op]=${r%%|*}; sysl[$op]=${r#*|}
  else
    sys[$op]="-"; sysl[$op]="strace not available"
  fi
done
{
  echo "## 1. Uncontended cost against the inline minimum"
  echo
  echo "Median of $iterations interleaved iterations each, same run, same directory"
  echo "(\`bench_uncontended build/bench-work $iterations\`). File operations: through the stream-file seam"
  echo "(\`bench_calls build/bench-work calls\`, one operation each) and system calls per operation"
  echo "(\`strace -f -c\` of $traced repetitions minus none). Goal: within 10% of the inline minimum."
  echo
  echo "| Ours | µs | Inline minimum | µs | Ratio | Seam ops (ours/inline) | Syscalls (ours/inline) |"
  echo "|---|---:|---|---:|---:|---:|---:|"
  row() {
    echo "| $1 | $(med "$2") | $3 | $(med "$4") | $(ratio "$(med "$2")" "$(med "$4")") | $(seam "$2")/$(seam "$4") | ${sys[$2]}/${sys[$4]} |"
  }
  row "refreshBoard, naming a board left unnamed" refresh "lock, read 192,000 bytes, unlock" inline-read
  row "refreshBoard, the board unchanged, its stamp proven and marked" refresh-named "lock, read 192,000 bytes, unlock" inline-read
  row "refreshBoard, the board found marked" refresh-marked "lock, read 192,000 bytes, unlock" inline-read
  row "writeRow, crash-safe" write "lock, read, write 192,000 bytes, unlock" inline-write
  row "writeRow, crash-safe" write "the same with the board committed (one fsync)" inline-write-flush
  echo
  echo "The crash safety's parts, each alone (µs, median):"
  echo
  echo "| Part | µs | Seam ops |"
  echo "|---|---:|---:|"
  echo "| side file (9,372 bytes: the row before and after, no ring): open in place, write, fflush+fsync, mark done, close | $(med part-side-file) | $(seam part-side-file) |"
  echo "| look for a side record left by a crash (none there) | $(med part-recovery-check) | $(seam part-recovery-check) |"
  echo "| board write with fflush+fsync | $(med part-board-commit) | $(seam part-board-commit) |"
  echo "| board write with fflush only | $(med part-board-nocommit) | $(seam part-board-nocommit) |"
  echo
  echo "Goal: writeRow at most 1.3 times the in-place write with one flush: $(ratio "$(med write)" "$(med inline-write-flush)")."
  echo
  echo "System calls per operation:"
  echo
  for op in refresh refresh-marked inline-read write inline-write inline-write-flush; do echo "- $op: ${sysl[$op]}"; done
  echo
} >> "$out"

log "2. contention ($writes writes per process)"
{
  echo "## 2. Contention"
  echo
  echo "N processes each write their own row $writes times as fast as they can (\`bench_contention DIR N $writes new|old\`)."
  echo "**Fast clock**: the platform's clock runs 100 times faster (tests/scaled_platform.cpp), so a retry wait of"
  echo "1 s takes about 10 ms; file operations run at their real speed. Latency is real time from the first attempt"
  echo "to the successful return, including rounds that gave up (the user presses OK again). After each write the"
  echo "writer reads the board under our lock: \"lost\" counts writes no longer there; \"wrong at end\" counts rows"
  echo "not holding their writer's last value. Writes per second include those checking reads."
  echo
  echo "| Lock | N | Writes | Writes/s | Median ms | p99 ms | Lost | Wrong at end | Gave up (20 attempts) |"
  echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|"
} >> "$out"
for n in 2 4 8 16; do
  for mode in new old; do
    line=$("$bin/bench_contention" "$work" "$n" "$writes" "$mode") || log "contention $mode $n: a writer failed"
    val() { echo "$line" | tr ' ' '\n' | sed -n "s/^$1=//p"; }
    name=$([ $mode = new ] && echo "ours (exclusive create)" || echo "old (test, then create)")
    echo "| $name | $n | $(val writes) | $(val per-second) | $(val median-ms) | $(val p99-ms) | $(val lost) | $(val rows-wrong) | $(val gave-up) |" >> "$out"
  done
done
echo >> "$out"

# The same with the real clock: the quarter-second retries at their real pace.
real_writes=$([ -n "${BENCH_QUICK:-}" ] && echo 3 || echo 10)
line=$(TAVELIN_CLOCK_SCALE=1 "$bin/bench_contention" "$work" 16 "$real_writes" new) || log "contention on the real clock: a writer failed"
val() { echo "$line" | tr ' ' '\n' | sed -n "s/^$1=//p"; }
{
  echo "**Real clock** (\`TAVELIN_CLOCK_SCALE=1 bench_contention DIR 16 $real_writes new\`): 16 writers, $real_writes writes each:"
  echo "median $(val median-ms) ms, p99 $(val p99-ms) ms, lost $(val lost), gave up $(val gave-up) of $(val writes)."
  echo
} >> "$out"

log "2b. round trips and an office of 300"
{
  echo "## 2b. Over a share's round trip"
  echo
  echo "\`bench_latency build/bench-work 500 5000 30000\`: every file operation that crosses the network (all but"
  echo "seeks; closes included) first waits the round trip; median of 7, and the operations through the seam. The"
  echo "poll is the timer's look at a board that did not change."
  echo
  echo "| Round trip ms | refreshBoard ms (ops) | unchanged poll ms (ops) | writeRow ms (ops) | lock and release ms (ops) |"
  echo "|---:|---:|---:|---:|---:|"
} >> "$out"
"$bin/bench_latency" "$work" 500 5000 30000 > "$work/latency"
for rtt in 500 5000 30000; do
  cell() { awk -v r="$rtt" -v o="$1" '$1 == "latency" && $2 == r && $3 == o { printf "%s (%s)", $4, $5 }' "$work/latency"; }
  echo "| $(awk -v r=$rtt 'BEGIN { print r / 1000 }') | $(cell refresh) | $(cell poll) | $(cell write) | $(cell lock) |" >> "$out"
done
office_minutes=$([ -n "${BENCH_QUICK:-}" ] && echo 2 || echo 4)
echo >> "$out"
"$root/bench/office.sh" "$office_minutes" "$work" >> "$out"
echo >> "$out"
cat "$work/kept-2c" >> "$out"

log "3. processor time while waiting ($wait_attempts attempts, twice)"
line=$("$bin/bench_waiting" "$work" "$wait_attempts")
val() { echo "$line" | tr ' ' '\n' | sed -n "s/^$1=//p"; }
{
  echo "## 3. Processor time while waiting on a lock that never frees"
  echo
  echo "\`bench_waiting build/bench-work $wait_attempts\`: $wait_attempts attempts with real 1-second jittered waits, ours"
  if [ "$wait_attempts" = 20 ]; then echo "(the real refreshBoard)"; else echo "(the same loop of lock attempts and text::waitMs; fewer attempts in a trial run)"; fi
  echo "against the same attempts with a spinning wait; getrusage user+system time. Goal: under 2% of the spin."
  echo
  echo "| Wait | Processor s | Wall s |"
  echo "|---|---:|---:|"
  echo "| ours (sleeps in 10 ms slices) | $(val ours-cpu) | $(val ours-wall) |"
  echo "| spinning | $(val spin-cpu) | $(val spin-wall) |"
  echo
  echo "Ours uses $(awk -v a="$(val ours-cpu)" -v b="$(val spin-cpu)" 'BEGIN { printf "%.2f", 100 * a / b }')% of the spin's processor time."
  echo
} >> "$out"
cat "$work/kept-3b" >> "$out"

log "4. heap"
heap_status=passed
"$tests/heap_tests" > "$work/heap" 2>&1 || heap_status=FAILED
{
  echo "## 4. Heap"
  echo
  echo "\`build/native/tests/heap_tests\` ($heap_status; also run by \`ctest\`): allocations during each operation."
  echo "\"new\" counts operator new of the whole process, \"ours\" malloc/calloc/realloc called from our code, \"C library\""
  echo "every malloc-family call, the C library's own included (fopen allocates its stream record and buffer)."
  echo
  echo "| Operation | new | ours | C library |"
  echo "|---|---:|---:|---:|"
  awk '$1 == "heap" { split($3, a, "="); split($4, b, "="); split($5, c, "="); printf "| %s | %s | %s | %s |\n", $2, a[2], b[2], c[2] }' "$work/heap"
  echo
} >> "$out"

log "5. the Windows program under Wine"
{
  echo "## 5. The Windows program under Wine"
  echo
  if [ -x "$root/bench/gui.sh" ] && [ -f "$win/ui/tavelin.exe" ]; then
    "$root/bench/gui.sh" "$win" "$work" || echo "The GUI run failed (see the output of make bench)."
  else
    echo "not built (build/windows/ui/tavelin.exe is missing)"
  fi
  echo
} >> "$out"

log "6. sizes and imports"
{
  echo "## 6. Size and imports of the Windows programs"
  echo
  echo "\`stat -c %s\` and \`x86_64-w64-mingw32-objdump -p FILE | grep 'DLL Name'\`."
  echo
  echo "| Program | Bytes | Imports |"
  echo "|---|---:|---|"
  for exe in ui/tavelin.exe cli/tavelin-cli.exe; do
    if [ -f "$win/$exe" ]; then
      imports=$(x86_64-w64-mingw32-objdump -p "$win/$exe" | sed -n 's/.*DLL Name: //p' | paste -sd, - | sed 's/,/, /g')
      echo "| $(basename "$exe") | $(stat -c %s "$win/$exe") | $imports |"
    else
      echo "| $(basename "$exe") | not built | |"
    fi
  done
} >> "$out"

log "7. serve: event streams under writes, idle and hostile connections, and an unchanged board"
cli=$root/build/native/cli/tavelin-cli
serve_seconds=$([ -n "${BENCH_QUICK:-}" ] && echo 10 || echo 60)
"$root/bench/serve.sh" "$serve_seconds" >>"$out" || log "serve load: the run failed"
mkdir -p "$work/serve"
python3 -c 'for i in range(300): print(f"社員{i:03d}")' >"$work/serve/names.txt"
"$cli" init-share "$work/serve" --names "$work/serve/names.txt" >/dev/null 2>&1
serve_src=(--names "$work/serve/tv_name.lst" --board "$work/serve/tv_cont.lst")
port_of() { sed -n 's/.*listening on http:[^ ]*:\([0-9]*\)\/ .*/\1/p' "$1"; }
wait_listening() { for _ in $(seq 100); do [ -n "$(port_of "$1")" ] && return; sleep 0.1; done; }
# The unchanged board: every system call of the server on the share's files over ten seconds, after
# its start (strace starts it: attaching to a running process may not be allowed).
strace -f -qq -ttt -e trace=newfstatat,statx,stat,lstat,openat,read -o "$work/serve/trace" \
  "$cli" serve "${serve_src[@]}" --listen 127.0.0.1:0 2>"$work/serve/err2" &
tracer=$!
wait_listening "$work/serve/err2"
sleep 12
pkill -TERM -P "$tracer" || true
wait "$tracer" || true
quiet=$(awk -v dir="$work/serve/" '
  NR == 1 { start = $2 }
  $2 >= start + 2 && $2 < start + 12 && index($0, dir) {
    if ($3 ~ /^(newfstatat|statx|stat|lstat)/) meta++
    if ($3 ~ /^openat/ && index($0, "tv_cont.lst")) opens++
  }
  END { printf "%.1f %d", meta / 10, opens }' "$work/serve/trace")
{
  echo "An unchanged board, no page open (\`strace -f\` of the server, 10 s after its start): $(echo "$quiet" | cut -d' ' -f1)"
  echo "metadata queries a second on the share (the board's and the lock file's, as the window's timer looks),"
  echo "$(echo "$quiet" | cut -d' ' -f2) opens of the board, so 0 bytes read."
  echo
} >> "$out"

echo "Whole run: $(( $(date +%s) - started )) s." >> "$out"
rm -rf "$work"
log "wrote $out"

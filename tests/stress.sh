#!/usr/bin/env bash
# Many processes write rows of one board at once.
#   stress.sh WRITER PROCESSES WRITES REPEATS [OLD [NAME]]
# With OLD "old", half of the processes lock as older clients do; the losses are reported, not failed
# on (older clients race among themselves). With "one-old", one process does: older and newer PCs
# must keep each other out. Without it, any lost update, any row not holding its last value or a lock
# left behind fails. NAME "sjis" names the board 予定表.lst in CP932, whose 表 ends in the byte 0x5C
# at which older clients cut the path: their lock is then 予定表sem.dat.
# A write that gave up after its 20 attempts was reported to its user and is tried again; counted.
# A writer that is not done within the time-out (a deadlock) is killed and fails the run.
set -u
writer=$1 procs=$2 writes=$3 repeats=$4 old=${5:-} name=${6:-}
# On the clock a hundred times faster even a write that gives up after its 20 attempts ends within half
# a second; a writer still running after that per write, and half a minute more, is stuck.
limit=$((30 + writes / 2))
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
status=0 total_lost=0 total_gave_up=0 total_wrong=0
board=$dir/tv_cont.lst
[ "$name" = sjis ] && board=$dir/$(printf '\x97\x5c\x92\xe8\x95\x5c.lst')
for ((r = 1; r <= repeats; r++)); do
  : > "$board"
  rm -f "$dir"/*sem.dat
  pids=()
  for ((p = 0; p < procs; p++)); do
    mode=new
    [ "$old" = old ] && (( p % 2 == 1 )) && mode=old
    [ "$old" = one-old ] && (( p == 1 )) && mode=old
    timeout "$limit" "$writer" "$board" "$p" "$writes" "$mode" > "$dir/out.$p" &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do
    wait "$pid"
    case $? in
      0) ;;
      124) echo "a writer did not finish within $limit s"; status=1 ;;
      *) status=1 ;;
    esac
  done
  lost=$(cat "$dir"/out.* | sed -n 's/.*lost=\([0-9]*\).*/\1/p' | awk '{s+=$1} END {print s+0}')
  gave_up=$(cat "$dir"/out.* | sed -n 's/.*gave-up=\([0-9]*\).*/\1/p' | awk '{s+=$1} END {print s+0}')
  check=$(timeout 30 "$writer" "$board" check "$procs" "$writes")
  wrong=${check#rows-wrong=}
  [[ "$wrong" =~ ^[0-9]+$ ]] || { echo "the check did not run"; wrong=0; status=1; }
  size=$(stat -c %s "$board")
  echo "run $r: $procs processes x $writes writes${old:+ ($old)}${name:+, board named in $name}: lost=$lost gave-up=$gave_up rows-wrong=$wrong size=$size"
  total_lost=$((total_lost + lost)); total_gave_up=$((total_gave_up + gave_up)); total_wrong=$((total_wrong + wrong))
  [ "$size" -eq 192000 ] || { echo "board is $size bytes"; status=1; }
  for lock in "$dir"/*sem.dat; do
    if [ -e "$lock" ]; then echo "a lock was left behind"; status=1; fi
  done
  # The side record stays for the next write to overwrite; once all writers are done it must be marked done.
  if [ -e "$board.jnl" ] && [ "$(od -An -c -j4 -N1 "$board.jnl" | tr -d ' ')" != D ]; then
    echo "a side record was left pending"; status=1
  fi
done
echo "total: lost=$total_lost gave-up=$total_gave_up rows-wrong=$total_wrong"
if [ "$old" != old ] && [ $((total_lost + total_wrong)) -ne 0 ]; then status=1; fi
exit $status

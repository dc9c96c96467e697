#!/usr/bin/env bash
# A tavelin-cli stopped by INT, TERM or HUP leaves no lock of its own and ends with the signal's status,
# whenever the signal comes: before its lock, while it is made, or while it is held. The fault build's
# stall (TAVELIN_FAULT_STALL) holds the command at each of those moments.
# Usage: cli_stop.sh CLI-WITH-FAULT-HOOKS
set -uo pipefail
# Job control: a background job of a script otherwise starts with SIGINT ignored, which the CLI keeps.
set -m
cli=$1
share=$(mktemp -d)
trap 'rm -rf "$share"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

printf 'A\nB\nC\n' >"$share/names.txt"
"$cli" init-share "$share" --names "$share/names.txt" >/dev/null || fail "init-share"
source=(--names "$share/tv_name.lst" --board "$share/tv_cont.lst")
lock=$share/sem.dat

# moment: the file operation stalled, for ms (the name list's open comes before the lock, the create makes
# it, the board's open and the first write come after it); held: whether the lock must stand when the
# signal is sent. A stall inside the create ends before the signal is taken, so it is kept short.
cases=(
  "show before open:1:8000 no"
  "show during create:1:2000 no"
  "show after open:2:8000 yes"
  "set after write:1:8000 yes"
)
for signal in INT TERM HUP; do
  for c in "${cases[@]}"; do
    read -r command moment stall held <<<"$c"
    rm -f "$lock"
    args=("${source[@]}")
    [ "$command" = set ] && args+=(--slot 1 --morning x)
    TAVELIN_FAULT_STALL="$stall" "$cli" "$command" "${args[@]}" >/dev/null 2>"$share/err" &
    pid=$!
    if [ "$held" = yes ]; then
      for _ in $(seq 250); do [ -e "$lock" ] && break; sleep 0.02; done
      [ -e "$lock" ] || { kill -KILL $pid; fail "$command $moment: no lock was made"; }
    else
      sleep 0.5
    fi
    kill -"$signal" $pid
    status=0
    wait $pid || status=$?
    want=$((128 + $(kill -l "$signal")))
    [ "$status" = "$want" ] || { cat "$share/err" >&2; fail "$command killed by $signal $moment the lock exited $status, expected $want"; }
    [ -e "$lock" ] && fail "$command killed by $signal $moment the lock left sem.dat"
  done
done
echo "cli_stop: no lock left by ${#cases[@]} moments x 3 signals"

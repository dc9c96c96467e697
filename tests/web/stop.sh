#!/usr/bin/env bash
# tavelin-cli serve while the board is busy, and its stop. While another PC holds the lock, a write
# waits and the rest of the server does not: the board and /healthz answer within 200 ms and the pages
# are told the board is old. Stopped by SIGHUP with writes in flight (10 rounds), serve leaves no lock
# file and every row whole; a second signal ends it at once, also without a lock left.
# Usage: stop.sh CLI
set -euo pipefail
cli=$1
work=$(mktemp -d)
server=
trap '[ -n "$server" ] && kill -9 "$server" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; [ -f "$work/err" ] && tail -20 "$work/err" >&2; exit 1; }

printf '山田 太郎\n佐藤 花子\n鈴木 一郎\n高橋 次郎\n' >"$work/names.txt"
"$cli" init-share "$work" --names "$work/names.txt" >/dev/null 2>&1
src=(--names "$work/tv_name.lst" --board "$work/tv_cont.lst")
"$cli" make-tokens "${src[@]}" --out "$work/tokens" 2>/dev/null
tokens=()
while IFS=$'\t' read -r token _; do tokens+=("$token"); done <"$work/tokens"

start() {
  : >"$work/err"
  "$cli" serve "${src[@]}" --listen 127.0.0.1:0 --tokens "$work/tokens" 2>"$work/err" &
  server=$!
  for _ in $(seq 100); do grep -q listening "$work/err" && break; sleep 0.05; done
  base=$(sed -n 's/.*listening on \(http:[^ ]*\)\/ .*/\1/p' "$work/err")
  [ -n "$base" ] || fail "serve did not start"
}
# Waits up to $2 tenths of a second for serve to end; its exit status in $ended.
waitEnd() {
  for _ in $(seq "$1"); do kill -0 "$server" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$server" 2>/dev/null && fail "serve still runs after $(($1 / 10)) s"
  ended=0
  wait "$server" || ended=$?
  server=
}
post() {  # member, morning
  curl -s -o /dev/null -w '%{http_code}' --max-time 40 -H "Authorization: Bearer ${tokens[$1]}" \
    -H 'Content-Type: application/json' --data-binary "{\"morning\":\"$2\",\"state\":\"在席\"}" "$base/api/rows/me" || true
}

# 1. Another PC holds the lock for 20 s while a write waits: every second the board and /healthz answer
# within 200 ms, and a page hears the board is old. The write gives up after its attempts; one after the
# lock goes is saved.
start
echo OTHERPC >"$work/sem.dat"
post 0 待つ書き込み >"$work/waited" &
writer=$!
curl -s -N --max-time 6 -H "Authorization: Bearer ${tokens[1]}" "$base/api/events" >"$work/events" || true
grep -q '"old": true' "$work/events" || fail "the page was not told the board is old while a write waits"
for second in $(seq 16); do
  for path in /api/board /healthz; do
    took=$(curl -s -o /dev/null -w '%{time_total}' --max-time 5 -H "Authorization: Bearer ${tokens[1]}" "$base$path")
    awk -v t="$took" 'BEGIN { exit !(t < 0.2) }' || fail "$path took $took s, $second s into the wait"
  done
  sleep 1
done
wait "$writer"
[ "$(cat "$work/waited")" = 503 ] || fail "the write that waited 20 s for the lock: $(cat "$work/waited")"
[ "$(cat "$work/sem.dat")" = OTHERPC ] || fail "the other PC's lock was touched"
rm -f "$work/sem.dat"
[ "$(post 0 後の書き込み)" = 200 ] || fail "the write after the lock went was not saved"

# 2. SIGHUP with writes in flight, 10 rounds.
kill -HUP "$server"
waitEnd 100
for round in $(seq 10); do
  start
  # Another PC's lock for a moment now and then, so some writes are waiting when the signal comes.
  [ $((round % 2)) = 0 ] && echo OTHERPC >"$work/sem.dat"
  pids=()
  for member in 0 1 2 3; do
    post "$member" "回$round-$member" >/dev/null &
    pids+=($!)
  done
  sleep 0.$((round % 3 + 1))
  rm -f "$work/sem.dat"
  kill -HUP "$server"
  waitEnd 100
  [ "$ended" = 0 ] || fail "round $round: serve ended with status $ended"
  [ -e "$work/sem.dat" ] && fail "round $round: sem.dat was left behind"
  wait "${pids[@]}" || true
  [ "$(stat -c %s "$work/tv_cont.lst")" = 192000 ] || fail "round $round: the board is not whole"
  "$cli" show "${src[@]}" --json >"$work/rows" || fail "round $round: show failed"
  # Each row is as some write left it: its morning and its state from the same write.
  python3 - "$work/rows" "$round" <<'PY' || fail "round $round: a row is not whole"
import json, re, sys
for row in json.load(open(sys.argv[1])):
    morning, state = row["morning"], row["state"]
    if morning == "" and state == "":
        continue
    if state != "在席" or not (re.fullmatch(r"回\d+-\d", morning) or morning == "後の書き込み"):
        sys.exit(f"{row}")
PY
done

# 3. A second signal while a write waits for another PC's lock: serve ends at once, its lock not left.
start
echo OTHERPC >"$work/sem.dat"
post 2 二度目 >/dev/null &
sleep 0.5
kill -TERM "$server"
sleep 0.3
kill -TERM "$server"
waitEnd 30
[ "$ended" = 143 ] || fail "the second signal: serve ended with status $ended"
[ "$(cat "$work/sem.dat")" = OTHERPC ] || fail "the other PC's lock was touched"
rm -f "$work/sem.dat"
echo "stop: ok"

#!/usr/bin/env bash
# The Windows build's serve under Wine: a member's link reads the board and saves its row, another
# member's row is refused, and Ctrl+C (SIGINT, which Wine hands the console as Ctrl+C) ends it with no
# lock file left behind.
# Usage: wine_serve.sh CLI_EXE WINE_RUN
set -euo pipefail
exe=$(realpath "$1") wine=$(realpath "$2")
work=$(mktemp -d)
server=
trap '[ -n "$server" ] && kill -KILL "$server" 2>/dev/null; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
fail() { echo "FAIL: $* (in $work)" >&2; [ -f "$work/err" ] && cat "$work/err" >&2; exit 1; }
win() { printf 'Z:%s' "${1//\//\\}"; }
run() { timeout 60 "$wine" "$exe" "$@"; }

printf '山田 太郎\n佐藤 花子\n' >"$work/names.txt"
run init-share "$(win "$work")" --names "$(win "$work/names.txt")" >/dev/null 2>&1 || fail "init-share"
src=(--names "$(win "$work/tv_name.lst")" --board "$(win "$work/tv_cont.lst")")
run make-tokens "${src[@]}" --out "$(win "$work/tokens")" >/dev/null 2>&1 || fail "make-tokens"
own=$(sed -n 1p "$work/tokens" | cut -f1 | tr -d '\r')  # 山田 太郎, slot 0

(cd "$work" && exec "$wine" "$exe" serve "${src[@]}" --tokens "$(win "$work/tokens")" --listen 127.0.0.1:0 \
  2>"$work/err") &
for _ in $(seq 300); do grep -qs "listening on" "$work/err" && break; sleep 0.1; done
base=$(sed -n 's/.*listening on \(http:[^ ]*\)\/ .*/\1/p' "$work/err" | tr -d '\r')
[ -n "$base" ] || fail "serve did not start"
server=$(pgrep -f "tavelin-cli.exe serve .*--tokens" -n || true)
[ -n "$server" ] || fail "no serve process"

auth=(-H "Authorization: Bearer $own")
code=$(curl -s -o "$work/board" -w '%{http_code}' --max-time 10 "${auth[@]}" "$base/api/board")
[ "$code" = 200 ] || fail "/api/board answered $code"
grep -q '"佐藤 花子"' "$work/board" || fail "/api/board lacks the members: $(head -c 300 "$work/board")"
code=$(curl -s -o "$work/saved" -w '%{http_code}' --max-time 30 "${auth[@]}" -H 'Content-Type: application/json' \
  --data-binary '{"state":"外出"}' "$base/api/rows/me")
[ "$code" = 200 ] || fail "a member's save answered $code: $(cat "$work/saved")"
run show "${src[@]}" --json >"$work/shown" 2>/dev/null || fail "show after the save"
grep -q '"state": "外出"' "$work/shown" || fail "the saved state is not on the board: $(cat "$work/shown")"
code=$(curl -s -o /dev/null -w '%{http_code}' --max-time 10 "${auth[@]}" -H 'Content-Type: application/json' \
  --data-binary '{"state":"外出"}' "$base/api/rows/1")
[ "$code" = 403 ] || fail "another member's row answered $code"

kill -INT "$server"
for _ in $(seq 100); do kill -0 "$server" 2>/dev/null || break; sleep 0.1; done
! kill -0 "$server" 2>/dev/null || fail "serve still runs 10 s after Ctrl+C"
server=
[ ! -e "$work/sem.dat" ] || fail "a lock file was left behind"
echo "serve under Wine: board read, own row saved, another's refused, stopped by Ctrl+C: passed"

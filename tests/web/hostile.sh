#!/usr/bin/env bash
# tavelin-cli serve against hostile requests: each row of the table is one request, the status it must
# get, and whether the board file may change; then requests as raw bytes (Content-Length, pipelining, Host,
# header limits), 1,100 slow connections from one address beside another's page, a slow request's deadline,
# the log, the token file changed while serve runs, and the refusals and warnings at start.
# Usage: hostile.sh CLI
set -euo pipefail
cli=$1
work=$(mktemp -d)
server=
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; [ -f "$work/err" ] && cat "$work/err" >&2; exit 1; }

printf '山田 太郎\n佐藤 花子\n鈴木 一郎\n' >"$work/names.txt"
"$cli" init-share "$work" --names "$work/names.txt" >/dev/null 2>&1
src=(--names "$work/tv_name.lst" --board "$work/tv_cont.lst")
"$cli" set "${src[@]}" --slot 1 --morning 会議 >/dev/null
"$cli" make-tokens "${src[@]}" --out "$work/tokens" 2>/dev/null
[ "$(stat -c %a "$work/tokens")" = 600 ] || fail "the token file is readable by others"
own=$(sed -n 1p "$work/tokens" | cut -f1)  # 山田 太郎, slot 0
wrong=$(printf '%040d' 0)

"$cli" serve "${src[@]}" --listen 127.0.0.1:0 --tokens "$work/tokens" 2>"$work/err" &
server=$!
for _ in $(seq 50); do grep -q listening "$work/err" && break; sleep 0.1; done
base=$(sed -n 's/.*listening on \(http:[^ ]*\)\/ .*/\1/p' "$work/err")
[ -n "$base" ] || fail "serve did not start"

head -c 1048576 /dev/zero | tr '\0' 'a' >"$work/1mb"
head -c 5000 /dev/zero | tr '\0' 'a' >"$work/5kb"
# name | method | path | token (own, wrong, none) | body (@file or text) | status | board may change
cases=(
  "no token, page|GET|/|none||401|no"
  "no token, board|GET|/api/board|none||401|no"
  "wrong token, page|GET|/m/$wrong|none||401|no"
  "wrong token, write|POST|/api/rows/me|wrong|{\"state\":\"帰宅\"}|401|no"
  "wrong token, events|GET|/api/events|wrong||401|no"
  "a foreign slot|POST|/api/rows/1|own|{\"state\":\"帰宅\"}|403|no"
  "1 MB body|POST|/api/rows/me|own|@$work/1mb|413|no"
  "5 KB body|POST|/api/rows/me|own|@$work/5kb|413|no"
  "5 KB body of a page|GET|/m/$own|none|@$work/5kb|413|no"
  "bad JSON|POST|/api/rows/me|own|{\"state\":|400|no"
  "unknown key|POST|/api/rows/me|own|{\"slot\":\"2\"}|400|no"
  "not a string|POST|/api/rows/me|own|{\"state\":1}|400|no"
  "control character|POST|/api/rows/me|own|{\"morning\":\"a\\u001bb\"}|400|no"
  "NUL|POST|/api/rows/me|own|{\"morning\":\"a\\u0000b\"}|400|no"
  "too long|POST|/api/rows/me|own|{\"state\":\"ステータスが長すぎる\"}|400|no"
  "not CP932|POST|/api/rows/me|own|{\"state\":\"☃\"}|400|no"
  "path with ..|GET|/m/../../etc/passwd|none||404|no"
  "encoded ..|GET|/%2e%2e/%2e%2e/etc/passwd|none||404|no"
  "slot out of range|POST|/api/rows/999|own|{}|403|no"
  "the token file|GET|/tokens|own||404|no"
  "a row changed since it was seen|POST|/api/rows/me|own|{\"state\":\"帰宅\",\"seenWrittenAt\":\"00/01/01 00:00\"}|409|no"
  "own row|POST|/api/rows/me|own|{\"state\":\"帰宅\"}|200|yes"
)
for row in "${cases[@]}"; do
  IFS='|' read -r name method path token body want change <<<"$row"
  args=(-s -o "$work/body" -w '%{http_code}' -X "$method" --path-as-is)
  [ "$token" = own ] && args+=(-H "Authorization: Bearer $own")
  [ "$token" = wrong ] && args+=(-H "Authorization: Bearer $wrong")
  if [ -n "$body" ]; then
    args+=(-H 'Content-Type: application/json' --data-binary "$body")
  fi
  before=$(sha256sum <"$work/tv_cont.lst")
  got=$(curl "${args[@]}" "$base$path" || true)
  after=$(sha256sum <"$work/tv_cont.lst")
  [ "$got" = "$want" ] || fail "$name: status $got, expected $want ($(head -c 200 "$work/body"))"
  [ "$change" = yes ] || [ "$before" = "$after" ] || fail "$name: the board file changed"
done

# What a member reads of a refusal is Japanese and says what to do; the English reason stays beside it.
said=(
  '{"state":"☃"}|"message": "状態の U+2603|置き換えてください'
  '{"state":"ステータスが長すぎる"}|"message": "状態が長すぎます (全角 7 文字、半角 14 文字まで)|短くしてから'
  '{"morning":"a\u001bb"}|"message": "午前に制御文字|取り除いて'
)
for row in "${said[@]}"; do
  IFS='|' read -r body want1 want2 <<<"$row"
  curl -s -o "$work/body" -X POST -H "Authorization: Bearer $own" --data-binary "$body" "$base/api/rows/me" || true
  grep -qF "$want1" "$work/body" && grep -qF "$want2" "$work/body" && grep -q '"error": "' "$work/body" ||
    fail "$body: the member reads $(cat "$work/body")"
done

# Requests as a client's own bytes: each row is what is sent (printf's format; the last request
# asks for the connection's close) and the status of every answer, in order.
port=${base##*:}
trap '' PIPE  # a server that closed first is a failed write here, not the end of the test
raw() {  # request; prints the statuses answered within 3 s, space-separated
  local fd
  exec {fd}<>"/dev/tcp/127.0.0.1/$port"
  printf "$1" >&"$fd" 2>"$work/raw-err" || true
  timeout 3 cat <&"$fd" >"$work/raw" || true
  exec {fd}>&-
  grep -ao '^HTTP/1\.1 [0-9]*' "$work/raw" | cut -d' ' -f2 | tr '\n' ' ' || true
}
auth="Authorization: Bearer $own\r\n"
post="POST /api/rows/me HTTP/1.1\r\nHost: 127.0.0.1\r\n$auth"
fields=$(for i in $(seq 101); do printf 'X-F%d: a\\r\\n' "$i"; done)
endless=$(for i in $(seq 3000); do printf 'X-Endless-%d: aaaaaaaaaaaaaaaaaaaa\\r\\n' "$i"; done)
raws=(
  "two Content-Lengths|${post}Content-Length: 18\r\nContent-Length: 19\r\nConnection: close\r\n\r\n{\"state\":\"外出\"} |400 "
  "Content-Length not a number|GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: abc\r\nConnection: close\r\n\r\n|400 "
  "a body without Content-Length|${post}Connection: close\r\n\r\nGET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n|400 "
  "pipelined|GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\nGET /app.js HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\nGET /api/board HTTP/1.1\r\nHost: 127.0.0.1\r\n${auth}Connection: close\r\n\r\n|200 200 200 "
  "another name in Host|GET /api/board HTTP/1.1\r\nHost: rebound.example:$port\r\n${auth}Connection: close\r\n\r\n|400 "
  "no Host|GET /healthz HTTP/1.1\r\nConnection: close\r\n\r\n|400 "
  "101 header fields|GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\n${fields}Connection: close\r\n\r\n|431 "
  "a header without end|GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\n${endless}|431 "
  "localhost by name|GET /healthz HTTP/1.1\r\nHost: LocalHost:$port\r\nConnection: close\r\n\r\n|200 "
)
for row in "${raws[@]}"; do
  IFS='|' read -r name request want <<<"$row"
  before=$(sha256sum <"$work/tv_cont.lst")
  got=$(raw "$request")
  [ "$got" = "$want" ] || fail "$name: answered '$got', expected '$want'"
  [ "$before" = "$(sha256sum <"$work/tv_cont.lst")" ] || fail "$name: the board file changed"
done

# A sender that never pauses after its refusal is cut off within a few seconds, not read for ever.
python3 - "$port" <<'EOF' || fail "a header sender that never pauses was still read after 6 s"
import socket, sys, time
s = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
s.settimeout(2)
s.sendall(b"GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\n")
line = b"X-Endless: " + b"a" * 60 + b"\r\n"
until = time.monotonic() + 6
try:
    while time.monotonic() < until:
        s.sendall(line * 100)
except TimeoutError:
    sys.exit(1)  # no longer read, yet not closed
except OSError:
    sys.exit(0)
sys.exit(1)
EOF

# A request sent a byte every 2 s has 10 s in all, however slowly each byte comes.
(
  exec {slow}<>"/dev/tcp/127.0.0.1/$port"
  printf 'GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ' >&"$slow"
  sent=0
  for _ in $(seq 7); do sleep 2; printf 'a' >&"$slow" 2>"$work/slow-err" && sent=$((sent + 1)) || break; done
  echo "$sent" >"$work/slow"
) &
slowWriter=$!

# 1,100 connections from one address sending half a request: another address's page and /healthz
# load within a second; past 1,024 the one address is turned away.
ulimit -n 4096 2>"$work/ulimit-err" || true
fds=()
for i in $(seq 1100); do
  exec {fd}<>"/dev/tcp/127.0.0.1/$port"
  printf 'GET / HTTP/1.1\r\nHo' >&"$fd" 2>"$work/raw-err" || true
  fds+=("$fd")
done
got=$(curl -s -o "$work/body" -w '%{http_code}' --max-time 1 --interface 127.0.0.2 "$base/healthz" || true)
board=$(curl -s -o "$work/body" -w '%{http_code}' --max-time 1 --interface 127.0.0.2 -H "Authorization: Bearer $own" \
  "$base/api/board" || true)
busy=$(curl -s -o "$work/body" -w '%{http_code}' --max-time 2 "$base/healthz" || true)
for fd in "${fds[@]}"; do exec {fd}>&-; done
[ "$got" = 200 ] || fail "/healthz from another address beside 1,100 slow connections: $got"
[ "$board" = 200 ] || fail "the board from another address beside 1,100 slow connections: $board"
[ "$busy" = 503 ] || fail "a 1,101st connection from one address: $busy, expected 503"

wait "$slowWriter" || true
sent=$(cat "$work/slow")
[ "$sent" -le 5 ] || fail "a request sent a byte every 2 s was still read after $((sent * 2)) s"

# A link that is no member's is logged with the address, never the token itself.
grep -q "a link or token that is not in the token file, from 127.0.0.1" "$work/err" || fail "a failed login is not logged"
! grep -q "$wrong" "$work/err" || fail "a wrong token is in the log"

# The share gone: logged with the time, and its end.
mv "$work/tv_cont.lst" "$work/away.lst"
for _ in $(seq 50); do grep -q "serve: the board cannot be read" "$work/err" && break; sleep 0.1; done
mv "$work/away.lst" "$work/tv_cont.lst"
for _ in $(seq 50); do grep -q "serve: the board is read again" "$work/err" && break; sleep 0.1; done
grep -Eq "^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{8} serve: the board cannot be read" "$work/err" || fail "no outage line"
grep -Eq "^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{8} serve: the board is read again" "$work/err" || fail "no line at its end"

# Every write is logged with the member and the remote address.
grep -q "row 0 (山田 太郎) by 山田 太郎 from 127.0.0.1: saved" "$work/err" || fail "the write is not in the log"

# A token writes at most 30 times a minute: 12 of the requests's requests above were its tries already.
codes=$(for _ in $(seq 24); do
  curl -s -o /dev/null -w '%{http_code} ' -X POST -H "Authorization: Bearer $own" -H 'Content-Type: application/json' \
    --data-binary '{"state":"社内"}' "$base/api/rows/me"
done)
[ "$codes" = "$(printf '200 %.0s' $(seq 18))$(printf '429 %.0s' $(seq 6))" ] || fail "30 writes a minute: $codes"

# A clean stop: exit status 0, no lock file left.
kill -TERM "$server"
status=0
wait "$server" || status=$?
server=
[ "$status" = 0 ] || fail "serve exited $status on SIGTERM"
[ ! -e "$work/sem.dat" ] || fail "a lock file was left behind"

# What cannot work is refused and what is unsafe warned of, each with its reason: name | token file's
# mode ("none": no file, "empty") | options | what stderr says.
cp "$work/tokens" "$work/tokens-open"
chmod 644 "$work/tokens-open"
: >"$work/tokens-empty"
chmod 600 "$work/tokens-empty"
setups=(
  "readable by others|$work/tokens-open|--listen 127.0.0.1:0|the token file is readable by other users"
  "empty|$work/tokens-empty|--listen 127.0.0.1:0|the token file holds no token"
  "missing|$work/no-such-file|--listen 127.0.0.1:0|cannot open it: No such file or directory"
  "open to the network without tokens||--listen 192.0.2.1:0|without --tokens anyone who reaches 192.0.2.1"
)
for row in "${setups[@]}"; do
  IFS='|' read -r name file listen want <<<"$row"
  args=("${src[@]}" $listen)
  [ -n "$file" ] && args+=(--tokens "$file")
  timeout -s TERM 2 "$cli" serve "${args[@]}" 2>"$work/setup-err" || true
  grep -qF "$want" "$work/setup-err" || fail "$name: serve said $(cat "$work/setup-err")"
done

# With --edit-any, a link's holder writes any row.
"$cli" serve "${src[@]}" --listen 127.0.0.1:0 --tokens "$work/tokens" --edit-any 2>"$work/err" &
server=$!
for _ in $(seq 50); do grep -q listening "$work/err" && break; sleep 0.1; done
base=$(sed -n 's/.*listening on \(http:[^ ]*\)\/ .*/\1/p' "$work/err")
got=$(curl -s -o /dev/null -w '%{http_code}' -X POST -H "Authorization: Bearer $own" -H 'Content-Type: application/json' \
  --data-binary '{"state":"帰宅"}' "$base/api/rows/2")
[ "$got" = 200 ] || fail "--edit-any: a foreign row got $got"
"$cli" show "${src[@]}" --json | grep -q '"slot": 2, "name": "鈴木 一郎", "morning": "", "afternoon": "", "returnTime": "", "state": "帰宅"' ||
  fail "--edit-any: the row is not on the board"
# One member's link reissued, then revoked, while serve runs: it reads the file again within 2 s; the
# other members' links keep working.
code() { curl -s -o "$work/body" -w '%{http_code}' -H "Authorization: Bearer $1" "$base/api/board" || true; }
old1=$(sed -n 2p "$work/tokens" | cut -f1)
lines0=$(sed -n '1p;3p' "$work/tokens")
[ "$(code "$old1")" = 200 ] || fail "slot 1's first token"
"$cli" make-tokens "${src[@]}" --out "$work/tokens" --slot 1 --url http://board.example >"$work/link" 2>"$work/mk-err"
new1=$(sed -n 's|^佐藤 花子\thttp://board.example/m/\([0-9a-f]\{40\}\)$|\1|p' "$work/link")
[ -n "$new1" ] && [ "$new1" != "$old1" ] || fail "no new link for slot 1: $(cat "$work/link" "$work/mk-err")"
[ "$(sed -n '1p;2p' "$work/tokens")" = "$lines0" ] || fail "the other members' tokens changed"
for _ in $(seq 30); do [ "$(code "$new1")" = 200 ] && break; sleep 0.1; done
[ "$(code "$new1")" = 200 ] || fail "a reissued token is not taken without a restart"
[ "$(code "$old1")" = 401 ] || fail "the old token still opens the board"
"$cli" make-tokens "${src[@]}" --out "$work/tokens" --member "佐藤 花子" --revoke 2>"$work/mk-err" || fail "revoke: $(cat "$work/mk-err")"
for _ in $(seq 30); do [ "$(code "$new1")" = 401 ] && break; sleep 0.1; done
[ "$(code "$new1")" = 401 ] || fail "a revoked token still opens the board"
[ "$(code "$own")" = 200 ] || fail "another member's token stopped working"
! "$cli" make-tokens "${src[@]}" --out "$work/tokens" --slot 1 --revoke 2>"$work/mk-err" || fail "revoked twice"
grep -q "no token to revoke" "$work/mk-err" || fail "revoking no token: $(cat "$work/mk-err")"

# A token file caught half written is read again at the next look, even when its finished version has
# the same time and size; the failure is logged once.
fresh=$(printf 'a%.0s' $(seq 40))
sed "1s/^$own/$fresh/" "$work/tokens" >"$work/tokens-good"
sed "1s/^$own/$(printf 'z%.0s' $(seq 40))/" "$work/tokens" >"$work/tokens-bad"
cp "$work/tokens-bad" "$work/tokens" && touch -d @1900000000 "$work/tokens"
for _ in $(seq 30); do grep -q "the token file changed but does not read" "$work/err" && break; sleep 0.1; done
grep -q "the token file changed but does not read" "$work/err" || fail "a token file that does not read is not logged"
cp "$work/tokens-good" "$work/tokens" && touch -d @1900000000 "$work/tokens"
for _ in $(seq 30); do [ "$(code "$fresh")" = 200 ] && break; sleep 0.1; done
[ "$(code "$fresh")" = 200 ] || fail "the token file as finished, with the time and size of its failed read, is not taken"
[ "$(grep -c "the token file changed but does not read" "$work/err")" = 1 ] || fail "a token file's failure is logged again"

echo "hostile requests: ${#cases[@]} cases, ${#raws[@]} raw ones, 1,100 slow connections, a slow request, 30 writes a minute, clean stop, --edit-any: passed"

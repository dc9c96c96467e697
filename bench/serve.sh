#!/usr/bin/env bash
# serve's load, in one run: the endless header, 300 live pages under 5 writes a second, 10,000 idle
# connections and 600 slow ones against the Linux build, then the live and idle phases against the
# Windows build under Wine. Prints the markdown section bench/run.sh puts into bench/RESULTS.md.
#   bench/serve.sh [SECONDS of writes, default 60]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
cli=$root/build/native/cli/tavelin-cli
exe=$root/build/windows/cli/tavelin-cli.exe
work=$(mktemp -d)
server=
trap '[ -n "$server" ] && kill -INT "$server" 2>/dev/null; rm -rf "$work"' EXIT
log() { echo "bench serve: $*" >&2; }
python3 -c 'for i in range(300): print(f"社員{i:03d}")' >"$work/names.txt"
"$cli" init-share "$work" --names "$work/names.txt" >/dev/null 2>&1
port_of() { sed -n 's/.*listening on http:[^ ]*:\([0-9]*\)\/ .*/\1/p' "$1"; }
# The server's own process: under Wine the one whose command line is the program's.
wait_listening() {
  for _ in $(seq 300); do [ -n "$(port_of "$1")" ] && return; sleep 0.1; done
  log "the server did not start: $(cat "$1")"
  return 1
}
run_load() {  # PID ERRFILE PHASES -> the load's lines
  python3 "$root/bench/serve_load.py" "$cli" "$work/tv_name.lst" "$work/tv_cont.lst" "$(port_of "$2")" "$1" 300 \
    "$seconds" 5 "$3"
}
val() { echo "$1" | grep "^phase=$2 " | tr ' ' '\n' | sed -n "s/^$3=//p"; }

log "Linux: endless, live ($seconds s), idle, slow"
"$cli" serve --names "$work/tv_name.lst" --board "$work/tv_cont.lst" --listen 127.0.0.1:0 2>"$work/err" &
server=$!
wait_listening "$work/err"
linux=$(run_load "$server" "$work/err" endless,live,idle,slow)
kill -INT "$server"; wait "$server" || true
server=

wine=
if [ -f "$exe" ]; then
  log "Windows build under Wine: live ($seconds s), idle"
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
  (cd "$work" && exec "$root/scripts/wine-run" "$exe" serve --names 'Z:'"${work//\//\\}"'\tv_name.lst' \
    --board 'Z:'"${work//\//\\}"'\tv_cont.lst' --listen "127.0.0.1:$port" 2>"$work/werr") &
  wait_listening "$work/werr"
  server=$(pgrep -f "tavelin-cli.exe serve .*127.0.0.1:$port" | head -1)
  wine=$(run_load "$server" "$work/werr" live,idle)
  kill -INT "$server"
  for _ in $(seq 50); do kill -0 "$server" 2>/dev/null || break; sleep 0.1; done
  server=
fi

row() {  # NAME LINES
  echo "| $1 | $(val "$2" live missed)/$(( $(val "$2" live writes) * 300 )) | $(val "$2" live p50-ms) |" \
    "$(val "$2" live p99-ms) | $(val "$2" live cpu-percent) | $(val "$2" live rss-mb) |" \
    "$(val "$2" idle accepted-after-s) | $(val "$2" idle page-load-max-ms) | $(val "$2" idle rss-mb) |" \
    "${3:-} |"
}
echo "## 7. serve: the board in browsers"
echo
echo "\`bench/serve.sh $seconds\` (\`bench/serve_load.py\` against \`tavelin-cli serve\`, read-only, 300 members, loopback)."
echo "Live: 300 pages on \`/api/events\` while \`tavelin-cli set\` writes 5 rows a second for $seconds s as another PC"
echo "would; latency from a write's return to its event at each page (the server looks once a second). Idle:"
echo "10,000 connections from ten other addresses, held (the last one answered), then 10 page loads."
echo
echo "| Build | Events missed | p50 ms | p99 ms | CPU % of a core | RSS MB | 10,000 accepted after s | Page load max ms | RSS MB with 10,000 | Threads |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
row "Linux" "$linux" "$(val "$linux" live threads)"
[ -n "$wine" ] && row "Windows, Wine" "$wine" "$(val "$wine" live threads)"
echo
echo "Linux, hostile: one connection sending header lines ($(val "$linux" endless sent-kb) KB, until the server closed it or 5 s): RSS at most"
echo "$(val "$linux" endless rss-max-mb) MB. 600 connections from one address sending a byte every 4 s: pages from another"
echo "loaded in at most $(val "$linux" slow page-load-max-ms) ms ($(val "$linux" slow loads) loads over 14 s); $(val "$linux" slow slow-closed-after-14s) of the 600 closed by then."
echo
echo "Goals: p99 ≤ 2 s and no event missed; 10,000 held with RSS ≤ 100 MB while a page loads in < 1 s; the"
echo "slow connections' neighbour's pages in < 1 s; the endless header under 50 MB."
echo

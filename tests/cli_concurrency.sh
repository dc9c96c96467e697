#!/usr/bin/env bash
# Six copies of tavelin-cli write ten different rows each into one board at the same moment.
# Every row must survive (no lost update), the board must be exactly the image, no lock left behind.
# Odd writers name the files as an administrator at a prompt in the share does (bare names), even
# ones by their full paths: both forms must take the same lock.
set -euo pipefail
cli=$1
writers=${2:-6}
rows=${3:-10}
share=$(mktemp -d)
trap 'rm -rf "$share"' EXIT
# One set waits at most about 20 s for the lock and 20 s to release it; longer than this is a hang.
cli() { timeout 45 "$cli" "$@"; }
for ((i = 0; i < writers * rows; ++i)); do echo "member$i"; done >"$share/names.txt"
cli init-share "$share" --names "$share/names.txt" >/dev/null

write_rows() {  # one writer: rows w, w+writers, w+2*writers, ...
  local w=$1 folder=$share/
  if ((w % 2)); then cd "$share" && folder=; fi
  for ((k = 0; k < rows; ++k)); do
    local slot=$((w + k * writers))
    cli set --names "${folder}tv_name.lst" --board "${folder}tv_cont.lst" --slot "$slot" \
      --morning "writer $w row $k" --state "s$slot" 2>/dev/null || { echo "writer $w slot $slot failed" >&2; return 1; }
  done
}
start=$share/start
pids=()
for ((w = 0; w < writers; ++w)); do
  (while [ ! -e "$start" ]; do sleep 0.01; done; write_rows "$w") &
  pids+=($!)
done
touch "$start"  # all writers leave together
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
[ "$status" = 0 ] || { echo "FAIL: a writer failed" >&2; exit 1; }

size=$(stat -c %s "$share/tv_cont.lst")
[ "$size" = 192000 ] || { echo "FAIL: board is $size bytes" >&2; exit 1; }
[ ! -e "$share/sem.dat" ] || { echo "FAIL: sem.dat left behind" >&2; exit 1; }
cli show --names "$share/tv_name.lst" --board "$share/tv_cont.lst" --json 2>/dev/null >"$share/board.json"
python3 - "$share/board.json" "$writers" "$rows" <<'PY'
import json, sys
rows = json.load(open(sys.argv[1], encoding="utf-8"))
writers, per = int(sys.argv[2]), int(sys.argv[3])
assert len(rows) == writers * per, len(rows)
lost = [r["slot"] for r in rows
        if (r["morning"], r["state"]) != ("writer %d row %d" % (r["slot"] % writers, r["slot"] // writers), "s%d" % r["slot"])]
if lost:
    sys.exit("FAIL: rows lost: %s" % lost)
PY
echo "concurrency: $writers writers x $rows rows: ok"

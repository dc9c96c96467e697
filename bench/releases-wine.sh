#!/usr/bin/env bash
# Writers under Wine, each setting its own rows of one board at once through tavelin-cli.exe: how often
# a holder's release of sem.dat had to be retried ((301)), how often a writer waited ((202)), and
# whether every row is there at the end. A waiter's look into the lock must not keep its holder from
# deleting it.
#   bench/releases-wine.sh [CLI_EXE] [WRITERS] [ROWS_EACH] [RUNS]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-$root/build/windows/cli/tavelin-cli.exe}
writers=${2:-4} rows=${3:-13} runs=${4:-10}
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix} WINEDEBUG=-all LC_ALL=ja_JP.UTF-8
total301=0 total202=0 lost=0
for ((run = 0; run < runs; ++run)); do
  share=$(mktemp -d)
  win="Z:$(echo "$share" | tr / '\\')"
  for ((i = 0; i < writers * rows; ++i)); do echo "m$i"; done >"$share/n.txt"
  wine "$cli" init-share "$win" --names "$win\\n.txt" >/dev/null 2>&1
  for ((w = 0; w < writers; ++w)); do
    (for ((k = 0; k < rows; ++k)); do
      wine "$cli" set --names "$win\\tv_name.lst" --board "$win\\tv_cont.lst" --slot $((w + k * writers)) \
        --morning x 2>>"$share/err$w"
    done) &
  done
  wait
  written=$(wine "$cli" show --names "$win\\tv_name.lst" --board "$win\\tv_cont.lst" 2>/dev/null | grep -c " x ")
  total301=$((total301 + $(cat "$share"/err* | grep -a -c "(301)")))
  total202=$((total202 + $(cat "$share"/err* | grep -a -c "(202)")))
  lost=$((lost + writers * rows - written))
  rm -rf "$share"
done
echo "$runs runs of $writers writers x $rows rows: (301) $total301 times in $((runs * writers * rows)) releases, (202) $total202 lines, rows missing $lost"

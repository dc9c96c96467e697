#!/usr/bin/env bash
# The real tavelin-cli on a scratch share: init-share, set, show --json, check-names, reset-lock.
# Usage: cli_end_to_end.sh CLI [RUNNER...]   (RUNNER, e.g. scripts/wine-run, runs a Windows build)
set -euo pipefail
cli=$1; shift
share=$(mktemp -d)
trap 'rm -rf "$share"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
expect_exit() {  # expect_exit STATUS ARGS...
  local want=$1; shift
  local got=0
  # No command waits for a lock here; a minute covers a first Wine start, which makes its prefix.
  timeout 60 "${runner[@]}" "$cli" "$@" >"$share/out" 2>"$share/err" || got=$?
  [ "$got" = "$want" ] || { cat "$share/err" >&2; fail "tavelin-cli $* exited $got, expected $want"; }
}
runner=("$@")
sharePath=$share
if [ "${#runner[@]}" -gt 0 ]; then sharePath="Z:${share//\//\\}"; fi
names="$sharePath/tv_name.lst"; board="$sharePath/tv_cont.lst"
if [ "${#runner[@]}" -gt 0 ]; then names="$sharePath\\tv_name.lst"; board="$sharePath\\tv_cont.lst"; fi

sep=/; [ "${#runner[@]}" -gt 0 ] && sep='\'
at() { printf '%s%s%s' "$sharePath" "$sep" "$1"; }  # a file of the share as the CLI is given it

printf '山田 太郎(101)\n佐藤 花子(102)\n鈴木 一郎(103)\n' >"$share/names.txt"
namesInput="$sharePath/names.txt"; [ "${#runner[@]}" -gt 0 ] && namesInput="$sharePath\\names.txt"
expect_exit 0 init-share "$sharePath" --names "$namesInput"
[ "$(stat -c %s "$share/tv_cont.lst")" = 0 ] || fail "board not empty"
[ "$(iconv -f CP932 -t UTF-8 "$share/tv_name.lst")" = "$(printf '山田 太郎(101);\r\n佐藤 花子(102);\r\n鈴木 一郎(103);\r')" ] ||
  fail "name list content"
expect_exit 2 init-share "$sharePath"  # never overwrites

expect_exit 0 set --names "$names" --board "$board" --member "佐藤 花子(102)" --morning "会議" --return "１７：３０" --state "外出・戻り"
expect_exit 0 set --names "$names" --board "$board" --slot 2 --state "帰宅"
expect_exit 2 set --names "$names" --board "$board" --slot 0 --state "ステータスが長すぎる"
expect_exit 2 set --names "$names" --board "$board" --member "nobody"
[ "$(stat -c %s "$share/tv_cont.lst")" = 192000 ] || fail "board size after set"

expect_exit 0 show --names "$names" --board "$board" --json
python3 - "$share/out" <<'PY' || fail "show --json content"
import json, sys, re
rows = json.load(open(sys.argv[1], encoding="utf-8"))
assert [r["name"] for r in rows] == ["山田 太郎(101)", "佐藤 花子(102)", "鈴木 一郎(103)"], rows
r = rows[1]
assert (r["slot"], r["morning"], r["returnTime"], r["state"]) == (1, "会議", "17:30", "外出・戻り"), r
assert re.fullmatch(r"\d\d/\d\d/\d\d \d\d:\d\d", r["writtenAt"]), r
assert rows[2]["state"] == "帰宅" and rows[0]["writtenAt"] == "", rows
PY
expect_exit 0 show --names "$names" --board "$board"
grep -q "佐藤 花子(102)  会議" "$share/out" || fail "table row"

expect_exit 0 show --board "$board"  # without names: the filled slots only
[ "$(wc -l <"$share/out")" = 3 ] || fail "show --board prints the header and two filled rows"

# Typed on Linux or macOS: 〜 (U+301C) is stored as Windows stores it, ～ (0x8160); a formula shows as text.
expect_exit 0 set --names "$names" --board "$board" --slot 0 --morning "9時〜12時" --afternoon "=1+2"
expect_exit 0 show --names "$names" --board "$board" --csv
grep -q '^0,"山田 太郎(101)","9時～12時","'"'"'=1+2",' "$share/out" || fail "show --csv: 〜 stored as ～, a formula as text"
expect_exit 2 set --names "$names" --board "$board" --slot 0 --morning "☃"
grep -q "U+2603 '☃', which CP932 cannot hold" "$share/err" || fail "a refused character is named"

expect_exit 0 check-names "$names"
grep -q "members: 3" "$share/out" || fail "check-names count"
printf '山田 太郎(101);\r\n' >"$share/utf8.lst"  # this script is UTF-8, as an editor saves it
expect_exit 1 check-names "$(at utf8.lst)"
grep -q "saved as UTF-8" "$share/out" && grep -q "UTF-8 で保存" "$share/out" || fail "check-names names the encoding"
printf '\xef\xbb\xbfA;\r\n' >"$share/bom.lst"
expect_exit 1 check-names "$(at bom.lst)"
grep -q "byte-order mark" "$share/out" || fail "check-names names the BOM"

# Refused before anything is written.
cp "$share/tv_cont.lst" "$share/board.before"; cp "$share/tv_name.lst" "$share/names.before"
expect_exit 2 set --names "$board" --board "$names" --slot 0 --state x  # swapped: the list is no board
grep -q "probably not the board" "$share/err" || fail "swapped files"
expect_exit 2 set --names "$names" --board "$names" --slot 0 --state x
grep -q "the same file" "$share/err" || fail "one file for both"
expect_exit 2 set --names "$names" --board "$board" --slot 0 --return --clear
expect_exit 2 set --names "$names" --board "$board" --slot 0 --state $'\e[31m'
expect_exit 2 show --names "$sharePath" --board "$board"
grep -q "a folder, not a name list" "$share/err" || fail "a folder as the name list"
expect_exit 1 set --names "$names" --board "$(at gone)${sep}tv_cont.lst" --slot 0 --state x
grep -q "no lock file can be made in" "$share/err" || fail "no lock where the board is"
cmp -s "$share/tv_cont.lst" "$share/board.before" || fail "a refused set wrote the board"
cmp -s "$share/tv_name.lst" "$share/names.before" || fail "a refused set wrote the name list"

expect_exit 1 reset-lock --board "$board"  # no lock file: (302)
grep -q "(302)" "$share/err" || fail "reset-lock message (302)"
grep -q "there is no lock file '.*sem.dat'" "$share/err" || fail "reset-lock names the lock it did not find"
printf 'OTHERPC' >"$share/sem.dat"
touch -d "@$(( $(date +%s) - 3 * 3600 - 30 ))" "$share/sem.dat"  # 3 h 30 s: whole seconds either way, still 3 h
expect_exit 0 reset-lock --board "$board"
grep -q "(303)" "$share/err" || fail "reset-lock message (303)"
grep -q "lock held by OTHERPC for 3 h" "$share/out" || fail "reset-lock names the holder and the age"
[ ! -e "$share/sem.dat" ] || fail "sem.dat left"
printf 'EVIL\033]0;x\007PC' >"$share/sem.dat"  # anyone on the share can write this
touch -d '2036-01-01 09:00' "$share/sem.dat"
expect_exit 0 reset-lock --board "$board"
grep -q "clocks of this PC and the file server differ" "$share/out" || fail "a lock dated ahead"
grep -qF 'EVIL\x1b]0;x\x07PC' "$share/out" || fail "the holder escaped"
! grep -q $'[\e\a]' "$share/out" "$share/err" || fail "a control byte reached the terminal"
# The token file never takes the board's place, whatever the spelling.
cp "$share/tv_cont.lst" "$share/board.before"
expect_exit 2 make-tokens --names "$names" --board "$board" --out "$board"
grep -q "is the share's board file" "$share/err" || fail "make-tokens --out the board"
cmp -s "$share/tv_cont.lst" "$share/board.before" || fail "make-tokens wrote over the board"
# Only regular files are read: a FIFO as the board ends at once and leaves no lock.
if [ "${#runner[@]}" -eq 0 ]; then
  mkfifo "$share/fifo"
  expect_exit 2 show --names "$names" --board "$share/fifo"
  grep -q "not a regular file" "$share/err" || fail "a FIFO as the board"
  [ ! -e "$share/sem.dat" ] || fail "show on a FIFO left sem.dat"
  expect_exit 2 check-names "$share/fifo"
  got=0; timeout 10 "$cli" show --names "$names" --board "$board" >/dev/full 2>"$share/err" || got=$?
  [ "$got" = 1 ] || fail "show >/dev/full exited $got"
  grep -q "cannot write the output" "$share/err" || fail "show >/dev/full says why"
fi
# Someone at a terminal is told, once, that the command waits for another PC's lock; a script's
# stderr stays quiet. `script` gives the command a terminal.
if [ "${#runner[@]}" -eq 0 ] && command -v script >/dev/null; then
  echo OTHERPC >"$share/sem.dat"; (sleep 1.5; rm -f "$share/sem.dat") &
  script -qec "'$cli' set --names '$names' --board '$board' --slot 0 --state 外出" "$share/typescript" \
    >"$share/out" 2>&1 || fail "set at a terminal while a lock stood"
  [ "$(grep -c "waiting for it up to 20 s" "$share/typescript")" = 1 ] || fail "the wait is not said once at a terminal"
  echo OTHERPC >"$share/sem.dat"; (sleep 1.5; rm -f "$share/sem.dat") &
  expect_exit 0 set --names "$names" --board "$board" --slot 0 --state 外出
  ! grep -q "waiting" "$share/err" || fail "a script is told of the wait"
  wait
fi
expect_exit 0 show --help
expect_exit 0 --version
grep -q "^tavelin-cli [0-9]" "$share/out" || fail "--version"
expect_exit 2  # no command
echo "end to end: ok"

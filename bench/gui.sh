#!/usr/bin/env bash
# The GUI figures: tavelin.exe under Wine and Xvfb with 300 members, against a minimal Win32 window
# program started the same way (by build/windows/bench/gui/gui_probe.exe) in the same run.
#   bench/gui.sh WINDOWS_BUILD_DIR WORK_DIR     prints the markdown section body
# TAVELIN_EXE and TAVELIN_CLASS name another program and its window class to measure in tavelin.exe's
# place, for trying the probe out.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win=$(realpath "$1") work=$(realpath "$2")
exe=$(realpath -m "${TAVELIN_EXE:-$win/ui/tavelin.exe}")
probe=$win/bench/gui/gui_probe.exe
[ -f "$probe" ] || { echo "not built (gui_probe.exe is missing)"; exit 0; }
share=$work/gui && mkdir -p "$share"
winpath() { echo "Z:$(realpath -m "$1" | tr / '\\')"; }
"$root/build/native/bench/bench_gui_share" "$share"
"$root/build/native/tools/tavelin-make-prefs" "$share/tavelin.prf" "$(winpath "$share")\\tv_name.lst" \
  "$(winpath "$share")\\tv_cont.lst" --columns 100,160,80,80,120 --window 900x700+0+0

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
export DISPLAY=$display
sleep 1
# The first start in a fresh prefix creates it; a warm-up run keeps that out of the figures.
(cd "$win/bench/gui" && "$root/scripts/wine-run" gui_probe.exe "$(winpath "$win/bench/gui/minimal_window.exe")" \
  BenchMinimal "$(winpath "$share")" >/dev/null 2>&1) || true
run() {
  (cd "$win/bench/gui" && "$root/scripts/wine-run" gui_probe.exe "$(winpath "$1")" "$2" "$(winpath "$share")") | tr -d '\r'
}
ours=$(run "$exe" "${TAVELIN_CLASS:-Tavelin}") || ours=""
minimal=$(run "$win/bench/gui/minimal_window.exe" BenchMinimal) || minimal=""
val() { echo "$1" | tr ' ' '\n' | sed -n "s/^$2=//p" | tail -1; }
# One start is a noisy figure under Wine (about a third either way, the minimal window's too), and the
# machine's pace drifts over a run: the two programs start in turn, 25 times, and the ratio is the
# median of the 25 ratios of a start of ours to the minimal window's start just after it (with 15,
# the median of one build moved by a tenth from run to run).
# One start's milliseconds, or - when it failed.
starts() {
  local ms
  ms=$( (cd "$win/bench/gui" && "$root/scripts/wine-run" gui_probe.exe "$(winpath "$1")" "$2" "$(winpath "$share")" start) |
    tr -d '\r' | sed -n 's/^start-ms=\([0-9.]*\).*/\1/p' | head -1) || true
  echo "${ms:--}"
}
: > "$work/starts"
for _ in $(seq 25); do
  echo "$(starts "$exe" "${TAVELIN_CLASS:-Tavelin}") $(starts "$win/bench/gui/minimal_window.exe" BenchMinimal)" >> "$work/starts"
done
median() { grep -v -- - | sort -n | awk '{ v[NR] = $1 } END { if (NR) print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
ours="$ours start-ms=$(awk '{ print $1 }' "$work/starts" | median)"
minimal="$minimal start-ms=$(awk '{ print $2 }' "$work/starts" | median)"
ratio=$(awk '$1 != "-" && $2 != "-" && $2 > 0 { printf "%.4f\n", $1 / $2 }' "$work/starts" | median)
echo "\`bench/gui.sh\`: each program started by gui_probe.exe (CreateProcess) under Wine with Xvfb; start = until"
echo "its window is shown with nothing left to paint and its list is shown holding its rows (median of 25 starts, the two"
echo "programs in turn; the ratio is the median of the 25 paired ratios); paint = median of 21 forced"
echo "repaints (RedrawWindow with RDW_UPDATENOW, which returns once painted; includes the round trip between"
echo "processes); own paint = median of 21 WM_PAINTs of the main window alone plus the list repaint they leave"
echo "behind (what WM_ACTIVATE or a timer refresh costs when nothing changed);"
echo "idle = WM_PAINTs taken from its queue in 10 idle seconds (WH_GETMESSAGE hook, checked first on one"
echo "queued paint; -1 when it did not see it). Goal: none."
echo
echo "| Program | Rows | Start ms | Full repaint ms | Own WM_PAINT ms | WM_PAINTs idle 10 s |"
echo "|---|---:|---:|---:|---:|---:|"
echo "| tavelin.exe | $(val "$ours" rows) | $(val "$ours" start-ms) | $(val "$ours" paint-ms) | $(val "$ours" wm-paint-ms) | $(val "$ours" idle-paints) |"
echo "| minimal window | - | $(val "$minimal" start-ms) | $(val "$minimal" paint-ms) | $(val "$minimal" wm-paint-ms) | $(val "$minimal" idle-paints) |"
echo
echo "Start ratio: $(awk -v r="$ratio" 'BEGIN { if (r != "") printf "%.2f", r; else print "-" }') (goal: at most 2)"

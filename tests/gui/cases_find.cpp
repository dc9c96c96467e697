// Finding people: the find box, sorting by a column, F5; and the board saved as CSV.
#include <cstring>
#include <vector>

#include "tests/gui/entry.h"

namespace gui {

namespace {

std::vector<std::string> shownNames(const Program& p, const Window& w) {
  std::vector<std::string> names;
  for (int row = 0; row < gui::itemCount(w.list); ++row) names.push_back(gui::itemText(p.process(), w.list, row, 0));
  return names;
}

std::vector<std::string> namesOf(std::vector<int> slots) {
  std::vector<std::string> names;
  for (int slot : slots) names.push_back(Names[slot]);
  return names;
}

bool shows(const Program& p, const Window& w, std::vector<int> slots) {
  return gui::waitFor([&] { return shownNames(p, w) == namesOf(slots); }, 5000);
}

HWND focusOf(const Program& p) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(p.threadId(), &info) ? info.hwndFocus : nullptr;
}

}  // namespace

// Ctrl+F goes to the find box; what is typed narrows the list to the members whose name or texts hold it,
// Esc shows everyone again. A header click sorts, a second click reverses;
// a right click on a row of the narrowed, sorted list opens that member. F5 reads the board again.
void findSortAndRefresh() {
  CaseDirs d = makeBoardCase("find");
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  HWND box = GetDlgItem(w.toolbar, IDC_FIND);
  CHECK(box != nullptr, "the find box");
  if (!box) return;

  SetForegroundWindow(w.main);
  CHECK(gui::waitFor([&] { return GetForegroundWindow() == w.main; }, 5000), "program in front");
  pressKeys({VK_CONTROL, 'F'});
  CHECK(gui::waitFor([&] { return focusOf(p) == box; }, 5000), "Ctrl+F focuses the box");
  gui::setWindowText(box, "外出");
  CHECK(shows(p, w, {2, 7}), "found by the state");
  screenshot("46-find");
  pressKeys({VK_ESCAPE});
  CHECK(shows(p, w, {0, 1, 2, 3, 4, 5, 6, 7}), "Esc shows everyone");
  CHECK(gui::windowText(box).empty() && focusOf(p) == w.list, "the box emptied, the focus on the list");
  for (const WORD key : {VK_DOWN, VK_RETURN, VK_TAB}) {
    pressKeys({VK_CONTROL, 'F'});
    gui::setWindowText(box, "外出");
    CHECK(shows(p, w, {2, 7}), "narrowed again");
    pressKeys({key});
    CHECK(gui::waitFor([&] { return focusOf(p) == w.list; }, 5000), "key %d: the focus on the list", key);
    CHECK(ListView_GetNextItem(w.list, -1, LVNI_SELECTED) == 0 && ListView_GetNextItem(w.list, -1, LVNI_FOCUSED) == 0,
          "key %d: the first match selected and focused", key);
    pressKeys({VK_ESCAPE});
    CHECK(shows(p, w, {0, 1, 2, 3, 4, 5, 6, 7}), "Esc from the list shows everyone");
  }

  CHECK(clickHeader(p, w, 4), "state header");
  CHECK(shows(p, w, {7, 2, 0, 1, 3, 4, 5, 6}), "sorted by state, members without one last");
  CHECK(clickHeader(p, w, 4), "state header again");
  CHECK(shows(p, w, {0, 2, 7, 1, 3, 4, 5, 6}), "reversed");
  gui::setWindowText(box, "外出");
  CHECK(shows(p, w, {2, 7}), "narrowed and still sorted");
  screenshot("47-sorted");

  CHECK(rightClickRow(p, w, 1), "second row point");
  EntryDialog e = waitEntryDialog(p);
  CHECK(e.dialog && captionOf(e) == "中村 愛(108) の行動予定の変更", "the member shown there: %s",
        e.dialog ? captionOf(e).c_str() : "");
  if (!e.dialog) return;
  gui::setWindowText(e.morning, "並べ替え後の入力");
  store::BoardImage before = readBoard(d);
  CHECK(pressAndWaitClosed(e.dialog, IDOK), "OK");
  store::BoardImage after = readBoard(d);
  CHECK(slotOf(after, 7).morning == "並べ替え後の入力", "written to that member's slot");
  checkOtherSlotsKept(before, after, {7});
  gui::setWindowText(box, "");
  CHECK(clickHeader(p, w, 4), "state header a third time");
  CHECK(shows(p, w, {0, 1, 2, 3, 4, 5, 6, 7}), "back in the name list's order");
  CHECK(clickHeader(p, w, 3), "return time header");
  CHECK(gui::waitFor([&] { return gui::columnWidth(w.list, 3) >= atDpi(80); }, 2000),
        "widened to show its header beside the arrow: %d px", gui::columnWidth(w.list, 3));
  CHECK(clickHeader(p, w, 3) && clickHeader(p, w, 3), "and back");
  gui::setWindowText(box, "外出");

  const Row changed = {4, "本社会議", "", "16:00", "外出・戻り", todayAt("10:05")};
  setRow(changed);
  writeFile(d.share + "\\tv_cont.lst", &image, sizeof image);
  SetForegroundWindow(w.main);
  pressKeys({VK_F5});
  CHECK(shows(p, w, {2, 4, 7}), "F5 reads the board: the new 外出 row shows, in its place");
  CHECK(closeProgram(p, w), "closed");
}

namespace {

std::string utf8Of(const char* cp932) {
  wchar_t wide[256] = {};
  char utf8[768] = {};
  MultiByteToWideChar(932, 0, cp932, -1, wide, 256);
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr);
  return utf8;
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find("\r\n", at);
    if (end == std::string::npos) return lines.push_back(text.substr(at) + "<no CRLF>"), lines;
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

// The save dialog of the CSV command: a path typed into its file name field and Save pressed.
bool saveAs(const Program& p, const Window& w, const std::string& path) {
  PostMessageA(w.main, WM_COMMAND, IDM_EXPORT_CSV, 0);
  HWND box = gui::waitForDialog(p.id(), "CSV で保存", 10000);
  if (!box) return false;
  HWND name = GetDlgItem(box, 0x47c);        // cmb13, the file name
  if (!name) name = GetDlgItem(box, 0x480);  // edt1 in the older layout
  if (!name) return false;
  // Centred on the window, as far as the screen lets it be.
  RECT dialog, owner, work;
  GetWindowRect(box, &dialog);
  GetWindowRect(w.main, &owner);
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const bool atAnEdge =
      dialog.left <= work.left || dialog.top <= work.top || dialog.right >= work.right || dialog.bottom >= work.bottom;
  CHECK(atAnEdge || (std::abs((dialog.left + dialog.right) - (owner.left + owner.right)) <= 4 &&
                     std::abs((dialog.top + dialog.bottom) - (owner.top + owner.bottom)) <= 4),
        "the save dialog centred on the window: %ld,%ld-%ld,%ld over %ld,%ld-%ld,%ld", dialog.left, dialog.top,
        dialog.right, dialog.bottom, owner.left, owner.top, owner.right, owner.bottom);
  screenshot("48-save-csv");
  gui::setWindowText(name, path.c_str());
  return pressAndWaitClosed(box, IDOK);
}

}  // namespace

// ファイル → CSV で保存 reads the board and writes every member's row, empty ones too, for people: the
// list's headers, rows numbered from 1, the overdue and stale flags as はい, as UTF-8 with a BOM and CRLF
// lines, so that Excel opens it as it is. The save dialog starts in Documents, never on the share.
void saveAsCsv() {
  CaseDirs d = makeBoardCase("csv");
  const SYSTEMTIME now = nowPastMidnight();
  const std::string today = stampOf(now), yesterday = stampOf(daysAgo(now, 1));
  setRow({2, "客先訪問", "", "0:00", "外出・戻り", today.c_str()});
  setRow({3, "出張, \"大阪\"", "", "", "外出・直帰", yesterday.c_str()});
  writeFile(d.share + "\\tv_cont.lst", &image, sizeof image);
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  // Written behind the program's back: the command reads the board before it saves.
  setRow({5, "後から書いた予定", "", "", "社内", today.c_str()});
  writeFile(d.share + "\\tv_cont.lst", &image, sizeof image);
  const std::string path = d.root + "\\board.csv";
  CHECK(saveAs(p, w, path), "saved through the dialog");
  CHECK(gui::waitFor([&] { return exists(path); }, 10000), "the file");
  const std::string csv = readFile(path);
  CHECK(csv.compare(0, 3, "\xEF\xBB\xBF") == 0, "a UTF-8 BOM first");
  const std::vector<std::string> lines = linesOf(csv.size() > 3 ? csv.substr(3) : "");
  CHECK(lines.size() == 1 + NameCount, "a header and every member: %zu lines", lines.size());
  if (lines.size() != 1 + NameCount) return;
  CHECK(lines[0] == utf8Of("\"番号\",\"氏名(電話)\",\"午前\",\"午後\",\"帰社予定\",\"状態\",\"書き込み時間\","
                           "\"帰社予定を過ぎた\",\"前日までの予定\""),
        "the list's headers: %s", lines[0].c_str());
  const std::string yes = utf8Of("はい");
  CHECK(lines[1] == "1,\"" + utf8Of(Names[0]) + "\",\"" + utf8Of("定例会議") + "\",\"" + utf8Of("資料作成") +
                        "\",\"\",\"" + utf8Of("社内") + "\",\"" + Filled[0].written + "\",," + yes,
        "row 1: %s", lines[1].c_str());
  CHECK(lines[2] == "2,\"" + utf8Of(Names[1]) + "\",\"\",\"\",\"\",\"\",\"\",,", "an empty row: %s", lines[2].c_str());
  CHECK(lines[3].size() > yes.size() + 1 &&
            lines[3].compare(lines[3].size() - yes.size() - 1, yes.size() + 1, yes + ",") == 0,
        "overdue: %s", lines[3].c_str());
  CHECK(lines[4].find(utf8Of("\"出張, \"\"大阪\"\"\"")) != std::string::npos &&
            lines[4].compare(lines[4].size() - yes.size() - 2, yes.size() + 2, ",," + yes) == 0,
        "stale, its quotes doubled: %s", lines[4].c_str());
  CHECK(lines[6].find(utf8Of("後から書いた予定")) != std::string::npos, "the board as it is now");
  // The file is there before the worker's answer reaches the status line.
  CHECK(gui::waitFor([&] { return gui::statusText(p.process(), w.status, 0) == "CSV を保存しました（" + path + "）"; },
                     3000),
        "said so: %s", gui::statusText(p.process(), w.status, 0).c_str());
  CHECK(gui::itemText(p.process(), w.list, 5, 1) == "後から書いた予定", "and the list shows it");
  CHECK(closeProgram(p, w), "closed");
}

}  // namespace gui

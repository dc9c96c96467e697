// The entry dialog: reached by mouse and keyboard, what it shows, and what OK and Cancel leave in the files.
#include <cstring>
#include <vector>

#include "tests/gui/entry.h"

namespace gui {

// The third member by right click: the dialog shows the row, picks and typing go to the file, and a row
// another copy changed meanwhile survives the write and shows at once. After a restart the plans are offered.
void entryByRightClick() {
  CaseDirs d = makeBoardCase("entry");
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;

  CHECK(rightClickRow(p, w, 2), "row 2 point");
  EntryDialog e = waitEntryDialog(p);
  CHECK(e.dialog != nullptr, "entry dialog opens");
  if (!e.dialog) return;
  CHECK(gui::windowText(GetDlgItem(e.dialog, IDC_ENTRY_GROUP)) == "鈴木 一郎(103) の行動予定の変更",
        "group caption: %s", gui::windowText(GetDlgItem(e.dialog, IDC_ENTRY_GROUP)).c_str());
  CHECK(gui::windowText(e.morning) == "客先訪問（横浜）", "morning shown");
  CHECK(gui::windowText(e.afternoon).empty(), "afternoon shown");
  CHECK(gui::windowText(e.returnTime) == "15:00", "return time shown");
  CHECK(gui::windowText(e.state) == "外出・戻り", "state shown");
  std::vector<std::string> states = gui::comboItems(e.state);
  CHECK((states == std::vector<std::string>{"社内", "帰宅", "外出・戻り", "外出・直帰"}), "state list");
  std::vector<std::string> times = gui::comboItems(e.returnTime);
  CHECK(times.size() == 19 && times.front() == "06:00" && times[11] == "17:00" && times.back() == "24:00",
        "return times %zu", times.size());
  CHECK(gui::comboItems(e.morning).empty(), "no history yet");
  CHECK((GetWindowLongA(w.list, GWL_STYLE) & LVS_SHOWSELALWAYS) && gui::itemState(w.list, 2, LVIS_SELECTED),
        "the row stays marked while the dialog is up");
  screenshot("10-entry-dialog");

  // Another copy writes row 5 while the dialog is open.
  const Row other = {5, "他のPCから", "", "", "帰宅", todayAt("11:11")};
  setRow(other);
  writeFile(d.share + "\\tv_cont.lst", &image, sizeof image);
  store::BoardImage before = readBoard(d);

  gui::setWindowText(e.state, "");
  CHECK(gui::comboSelect(e.state, 2) == 2, "pick 外出・戻り");
  CHECK(gui::comboSelect(e.returnTime, 11) == 11, "pick 17:00");
  gui::setWindowText(e.morning, "東京本社で打合せ");
  gui::setWindowText(e.afternoon, "資料整理");
  SYSTEMTIME t0, t1;
  GetLocalTime(&t0);
  CHECK(pressAndWaitClosed(e.dialog, IDOK), "OK closes the dialog");
  GetLocalTime(&t1);

  store::BoardImage after = readBoard(d);
  SlotTexts s = slotOf(after, 2);
  CHECK(s.morning == "東京本社で打合せ" && s.afternoon == "資料整理", "plans written");
  CHECK(s.state == "外出・戻り" && s.returnTime == "17:00", "state %s, return %s", s.state.c_str(),
        s.returnTime.c_str());
  CHECK(stampedBetween(s.written, t0, t1), "stamp %s", s.written.c_str());
  checkOtherSlotsKept(before, after, {2});
  CHECK(slotOf(after, 5).morning == "他のPCから", "the other copy's row kept");
  CHECK(gui::itemText(p.process(), w.list, 2, 1) == "東京本社で打合せ", "list shows the write");
  CHECK(gui::itemText(p.process(), w.list, 2, 5) == s.written, "list shows the stamp");
  CHECK(gui::itemText(p.process(), w.list, 5, 1) == "他のPCから", "list shows the other copy's row");
  CHECK(!exists(d.share + "\\sem.dat"), "no lock left");
  CHECK(closeProgram(p, w), "closed");
  CHECK((historyTexts(d) == std::vector<std::string>{"資料整理", "東京本社で打合せ"}), "history, newest first");

  Program again;
  w = startWithBoard(again, d);
  if (!w.main) return;
  CHECK(rightClickRow(again, w, 0), "row 0 point");
  e = waitEntryDialog(again);
  CHECK(e.dialog != nullptr, "entry dialog after restart");
  if (!e.dialog) return;
  std::vector<std::string> offered = {"資料整理", "東京本社で打合せ"};
  CHECK(gui::comboItems(e.morning) == offered, "morning offers the history in its order");
  CHECK(gui::comboItems(e.afternoon) == offered, "afternoon offers the history in its order");
  CHECK(pressAndWaitClosed(e.dialog, IDCANCEL), "cancel");
  CHECK(closeProgram(again, w), "closed");
}

// Cancel and the close box write nothing; a click beside the rows opens nothing.
void entryCancelAndMiss() {
  CaseDirs d = makeBoardCase("entry-cancel");
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  std::string board = readFile(d.share + "\\tv_cont.lst");

  for (int closeBy : {IDCANCEL, 0}) {
    CHECK(rightClickRow(p, w, 0), "row 0 point");
    EntryDialog e = waitEntryDialog(p);
    CHECK(e.dialog != nullptr, "entry dialog opens");
    if (!e.dialog) return;
    fillEntry(e, "書かない", "書かない", "12:00", "帰宅");
    if (closeBy) {
      CHECK(pressAndWaitClosed(e.dialog, closeBy), "Cancel closes");
    } else {
      PostMessageA(e.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
      CHECK(gui::waitFor([&] { return !IsWindow(e.dialog); }, 10000), "the close box closes");
    }
    CHECK(readFile(d.share + "\\tv_cont.lst") == board, "nothing written");
    CHECK(gui::itemText(p.process(), w.list, 0, 1) == "定例会議", "list unchanged");
  }

  // Below the last row: the message returns at once because no dialog opened.
  POINT pt;
  CHECK(gui::itemScreenPoint(p.process(), w.list, NameCount - 1, &pt), "last row");
  pt.y += 60;
  CHECK(gui::sendWithin(w.main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(w.list), MAKELPARAM(pt.x, pt.y), 3000),
        "a click outside the rows opens nothing");
  CHECK(!gui::waitForDialog(p.id(), "行き先の入力", 0), "no entry dialog");
  CHECK(closeProgram(p, w), "closed");
  CHECK(historyTexts(d).empty(), "nothing in the history");
}

// Enter, Shift+F10 and a double click reach the dialog, the keys for the focused row; a return time typed in full width
// is stored in ASCII; OK with all four fields empty clears the row, its time too, and adds nothing to the history.
void entryByKeyboard() {
  CaseDirs d = makeBoardCase("entry-keys");
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  store::BoardImage before = readBoard(d);

  SetForegroundWindow(w.main);
  CHECK(gui::waitFor([&] { return GetForegroundWindow() == w.main; }, 5000), "program in front");
  // Row 0 selected, row 3 focused: Enter means the focused row, as the context-menu key does.
  CHECK(gui::setItemState(p.process(), w.list, 0, LVIS_SELECTED), "row 0 selected");
  CHECK(gui::setItemState(p.process(), w.list, 3, LVIS_FOCUSED), "row 3 focused");
  pressKeys({VK_RETURN});
  EntryDialog e = waitEntryDialog(p);
  CHECK(e.dialog != nullptr, "Enter opens the dialog");
  if (!e.dialog) return;
  CHECK(gui::windowText(GetDlgItem(e.dialog, IDC_ENTRY_GROUP)) == "高橋 美咲(104) の行動予定の変更",
        "the focused row's dialog");
  // The longest texts the fields take arrive whole.
  std::string longMorning(118, 'x'), longAfternoon(118, 'y');
  fillEntry(e, longMorning.c_str(), longAfternoon.c_str(), "１７：３０", "ABCDEFGHIJKLMN");
  CHECK(pressAndWaitClosed(e.dialog, IDOK), "OK");
  store::BoardImage after = readBoard(d);
  SlotTexts typed = slotOf(after, 3);
  CHECK(typed.returnTime == "17:30", "full width folded: %s", typed.returnTime.c_str());
  CHECK(typed.morning == longMorning && typed.afternoon == longAfternoon, "plans of 118 bytes: %zu %zu",
        typed.morning.size(), typed.afternoon.size());
  CHECK(typed.state == "ABCDEFGHIJKLMN", "state of 14 bytes: %s", typed.state.c_str());
  CHECK(!typed.written.empty(), "stamped");

  CHECK(gui::focusItem(p.process(), w.list, 7), "row 7 selected");
  SetForegroundWindow(w.main);
  pressKeys({VK_SHIFT, VK_F10});
  e = waitEntryDialog(p);
  CHECK(e.dialog != nullptr, "Shift+F10 opens the dialog");
  if (!e.dialog) return;
  CHECK(gui::windowText(GetDlgItem(e.dialog, IDC_ENTRY_GROUP)) == "中村 愛(108) の行動予定の変更", "row 7's dialog");
  fillEntry(e, "", "", "", "");
  CHECK(pressAndWaitClosed(e.dialog, IDOK), "OK");
  after = readBoard(d);
  SlotTexts cleared = slotOf(after, 7);
  CHECK(cleared.morning.empty() && cleared.afternoon.empty() && cleared.returnTime.empty() && cleared.state.empty() &&
            cleared.written.empty(),
        "row 7 cleared, time too");
  CHECK(gui::itemText(p.process(), w.list, 7, 1).empty() && gui::itemText(p.process(), w.list, 7, 5).empty(),
        "list shows the cleared row");
  checkOtherSlotsKept(before, after, {3, 7});

  // The context-menu key's message as the list passes it up: the point -1, -1 means the focused row.
  CHECK(gui::focusItem(p.process(), w.list, 1), "row 1 selected");
  PostMessageA(w.main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(w.list), MAKELPARAM(-1, -1));
  e = waitEntryDialog(p);
  CHECK(e.dialog && gui::windowText(GetDlgItem(e.dialog, IDC_ENTRY_GROUP)) == "佐藤 花子(102) の行動予定の変更",
        "the point -1, -1 opens the focused row");
  if (e.dialog) CHECK(pressAndWaitClosed(e.dialog, IDCANCEL), "cancel");

  POINT pt;
  CHECK(gui::itemScreenPoint(p.process(), w.list, 4, &pt), "row 4 point");
  ScreenToClient(w.list, &pt);
  PostMessageA(w.list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
  PostMessageA(w.list, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
  e = waitEntryDialog(p);
  CHECK(e.dialog && gui::windowText(GetDlgItem(e.dialog, IDC_ENTRY_GROUP)) == "田中 健(105) の行動予定の変更",
        "a double click opens the row");
  if (e.dialog) CHECK(pressAndWaitClosed(e.dialog, IDCANCEL), "cancel");

  CHECK(closeProgram(p, w), "closed");
  CHECK((historyTexts(d) == std::vector<std::string>{std::string(118, 'y'), std::string(118, 'x')}),
        "only the plans typed on row 3 in the history; the cleared row added nothing");
}

namespace {

// A real mouse click (not a posted message) at a screen point: the list acts on it as on a member's
// click, scrolling a half-visible row into view first.
void realClick(POINT at, DWORD down, DWORD up, int times) {
  SetCursorPos(at.x, at.y);
  std::vector<INPUT> inputs;
  for (int i = 0; i < times; ++i) {
    for (DWORD flag : {down, up}) {
      INPUT in = {};
      in.type = INPUT_MOUSE;
      in.mi.dwFlags = flag;
      inputs.push_back(in);
    }
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// The window made short enough that the list's last row in sight is cut in half; that row, or -1. A few
// steps, as a scroll bar may come or go with the height.
int cutLastRow(const Program& p, const Window& w) {
  const int row = 3;
  RECT item;
  if (!itemRect(p.process(), w.list, row, &item)) return -1;
  const int target = item.top + (item.bottom - item.top) / 2;
  RECT client = {};
  for (int step = 0; step < 4; ++step) {
    RECT frame;
    if (!GetClientRect(w.list, &client) || !GetWindowRect(w.main, &frame)) return -1;
    if (client.bottom > item.top + 2 && client.bottom < item.bottom - 2) return row;
    const LONG before = client.bottom;
    SetWindowPos(w.main, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top - (before - target),
                 SWP_NOMOVE | SWP_NOZORDER);
    waitFor([&] { return GetClientRect(w.list, &client) && client.bottom != before; }, 1000);
  }
  std::printf("  the list ends at %ld, row %d at %ld..%ld\n", client.bottom, row, item.top, item.bottom);
  return -1;
}

// A point in the visible upper part of a cut row, on its name.
POINT pointOnCutRow(const Program& p, const Window& w, int row) {
  RECT item = {};
  itemRect(p.process(), w.list, row, &item);
  POINT at = {item.left + 30, item.top + (item.bottom - item.top) / 4};
  ClientToScreen(w.list, &at);
  return at;
}

}  // namespace

// A row cut off at the bottom of the list, right-clicked and double-clicked with the real mouse, opens
// for the member clicked, though the list scrolls that row into view as it takes the click.
void entryOnACutRow() {
  CaseDirs d = makeBoardCase("entry cut row");
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  const int row = cutLastRow(p, w);
  CHECK(row >= 0, "a row cut in half at the bottom");
  if (row < 0) return;
  const std::string wanted = std::string(Names[row]) + " の行動予定の変更";
  screenshot("10-cut-row");

  struct Click {
    const char* how;
    DWORD down, up;
    int times;
  };
  const Click clicks[] = {{"right click", MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, 1},
                          {"double click", MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 2}};
  for (const Click& c : clicks) {
    sendWithin(w.list, LVM_ENSUREVISIBLE, 0, FALSE, 2000);
    CHECK(waitFor([&] { return ask(w.list, LVM_GETTOPINDEX, 0, 0) == 0; }, 2000), "%s: scrolled to the top", c.how);
    realClick(pointOnCutRow(p, w, row), c.down, c.up, c.times);
    EntryDialog e = waitEntryDialog(p);
    CHECK(e.dialog != nullptr, "%s: entry dialog opens", c.how);
    if (!e.dialog) continue;
    CHECK(captionOf(e) == wanted, "%s: %s", c.how, captionOf(e).c_str());
    pressAndWaitClosed(e.dialog, IDCANCEL);
  }
  SetCursorPos(0, 0);
  closeProgram(p, w);
}

}  // namespace gui

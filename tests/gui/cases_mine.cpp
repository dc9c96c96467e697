// My row: chosen in the settings, bold and in view, and my state set in one click.
#include <cstring>
#include <functional>
#include <vector>

#include "tests/gui/entry.h"

namespace gui {

namespace {

// How wide a row's name is drawn, from its first inked column to its last: bold text is wider.
int nameWidth(const Program& p, const Window& w, int row) {
  RECT r = {};
  r.left = LVIR_LABEL;
  if (gui::callWithBuffer(p.process(), w.list, LVM_GETITEMRECT, row, &r, sizeof r) <= 0) return 0;
  MapWindowPoints(w.list, nullptr, reinterpret_cast<POINT*>(&r), 2);
  InflateRect(&r, -2, -2);
  const std::vector<COLORREF> pixels = gui::screenPixels(r);
  const int width = r.right - r.left;
  int first = width, last = -1;
  for (size_t i = 0; i < pixels.size(); ++i) {
    const COLORREF c = pixels[i];
    if (GetRValue(c) + GetGValue(c) + GetBValue(c) >= 3 * 128) continue;
    const int x = static_cast<int>(i % static_cast<size_t>(width));
    first = x < first ? x : first;
    last = x > last ? x : last;
  }
  return last - first + 1;
}

bool buttonEnabled(const Window& w, int command) { return gui::ask(w.toolbar, TB_ISBUTTONENABLED, command, 0) > 0; }

bool rowInView(const Program& p, const Window& w, int row) {
  RECT item, list;
  GetClientRect(w.list, &list);
  return gui::itemRect(p.process(), w.list, row, &item) && item.top >= 0 && item.bottom <= list.bottom;
}

// My row on the share once its state reads as expected.
SlotTexts waitMyState(const CaseDirs& d, const char* state) {
  SlotTexts s;
  gui::waitFor(
      [&] {
        s = slotOf(readBoard(d), 7);
        return s.state == state;
      },
      10000);
  return s;
}

// My state set by act once the window takes it; my row on the share as it then reads.
SlotTexts setMyStateBy(const CaseDirs& d, const Window& w, const char* state, const std::function<void()>& act) {
  SlotTexts s;
  gui::actWhenIdle(
      w, act,
      [&] {
        s = slotOf(readBoard(d), 7);
        return s.state == state;
      },
      10000);
  return s;
}

void pressInFront(const Window& w, std::vector<WORD> keys) {
  SetForegroundWindow(w.main);
  gui::waitFor([&] { return GetForegroundWindow() == w.main; }, 5000);
  pressKeys(keys);
}

}  // namespace

// My name is chosen from the members in the settings and kept in tavelin.ini. At the next start my row
// is bold and scrolled into view, and the 自分の状態 buttons, menu and keys set my state in one click:
// plans as they stand on the share, the return time only for 外出・戻り (asked for), the time stamped.
void myRow() {
  CaseDirs d = makeCase("my-row");
  settings::Preferences prefs = preferencesFor(d.share + "\\tv_name.lst", d.share + "\\tv_cont.lst");
  prefs.windowHeight.set(180);  // too low for all eight rows
  writePreferences(d, prefs);
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  CHECK(!buttonEnabled(w, IDM_MY_OFFICE), "no state buttons without my name");
  // Their tip says why, with the mouse on one.
  RECT button;
  CHECK(gui::toolbarButtonRect(p.process(), w.toolbar, IDM_MY_OFFICE, &button), "the 社内 button's place");
  MapWindowPoints(w.toolbar, nullptr, reinterpret_cast<POINT*>(&button), 2);
  const POINT onButton = {(button.left + button.right) / 2, (button.top + button.bottom) / 2};
  // A tip shows only in the active window; on a busy machine the activation comes a while later.
  SetForegroundWindow(w.main);
  gui::waitFor([&] { return GetForegroundWindow() == w.main; }, 5000);
  gui::moveMouseOnto(onButton);
  HWND tip = reinterpret_cast<HWND>(gui::ask(w.toolbar, TB_GETTOOLTIPS, 0, 0));
  CHECK(gui::waitFor([&] { return IsWindowVisible(tip) && gui::windowText(tip).find("環境設定") != std::string::npos; },
                     5000),
        "the tip names the settings: %s", gui::windowText(tip).c_str());
  SetCursorPos(0, 0);
  // Their key says how to choose my name, rather than nothing at all.
  CHECK(gui::actWhenIdle(
            w,
            [&] {
              pressInFront(w, {VK_CONTROL, '1'});
            },
            [&] {
              const std::string said = gui::statusText(p.process(), w.status, 0);
              return said.find("自分の名前") != std::string::npos && said.find("環境設定") != std::string::npos;
            },
            5000),
        "Ctrl+1 says how: %s", gui::statusText(p.process(), w.status, 0).c_str());
  CHECK(!rowInView(p, w, 7), "the last row starts out of view");
  gui::ask(w.list, LVM_ENSUREVISIBLE, 7, FALSE);
  screenshot("42-before-my-name");
  const int regular = nameWidth(p, w, 7);

  HWND box = gui::commandDialog(p, w, IDM_SETTINGS, "環境設定");
  CHECK(box != nullptr, "settings");
  if (!box) return;
  HWND names = GetDlgItem(box, IDC_OWN_NAME);
  std::vector<std::string> offered = {"（なし）"};
  offered.insert(offered.end(), Names, Names + NameCount);
  CHECK(gui::comboItems(names) == offered, "the members to choose from");
  CHECK(gui::comboSelect(names, 8) == 8, "choose 中村 愛(108)");
  screenshot("43-settings-my-name");
  CHECK(pressAndWaitClosed(box, IDOK), "設定");
  HWND notice = gui::waitForDialog(p.id(), "再起動の確認", 10000);
  if (notice) CHECK(pressAndWaitClosed(notice, IDOK), "restart notice");
  CHECK(p.waitExit(ExitMs), "ended");
  char saved[64] = {};
  GetPrivateProfileStringA("User", "MyName", "", saved, sizeof saved, userIniPath().c_str());
  CHECK(std::string(saved) == Names[7], "tavelin.ini: %s", saved);

  Program again;
  w = startWithBoard(again, d);
  if (!w.main) return;
  CHECK(gui::waitFor([&] { return rowInView(again, w, 7) && gui::itemState(w.list, 7, LVIS_FOCUSED); }, 5000),
        "my row in view and focused");
  CHECK(!gui::itemState(w.list, 7, LVIS_SELECTED), "not selected");
  CHECK(gui::waitFor([&] { return buttonEnabled(w, IDM_MY_OFFICE); }, 5000), "state buttons enabled");
  const int bold = nameWidth(again, w, 7);
  CHECK(bold * 100 > regular * 103, "my name in bold: %d pixels wide against %d", bold, regular);

  SYSTEMTIME t0, t1;
  GetLocalTime(&t0);
  SlotTexts s = setMyStateBy(d, w, "社内", [&] { gui::clickToolbarButton(again.process(), w.toolbar, IDM_MY_OFFICE); });
  GetLocalTime(&t1);
  CHECK(s.state == "社内" && s.morning == "表示テスト" && s.afternoon == "ソフト開発", "state set, plans kept");
  CHECK(s.returnTime.empty() && stampedBetween(s.written, t0, t1), "no return time, stamped: %s", s.written.c_str());
  // Said once the answer is back, a moment after the share shows it.
  CHECK(gui::waitFor([&] { return gui::statusText(again.process(), w.status, 0) == "自分の状態を「社内」にしました"; },
                     5000),
        "said so: %s", gui::statusText(again.process(), w.status, 0).c_str());

  CHECK(setMyStateBy(d, w, "外出・直帰", [&] { pressInFront(w, {VK_CONTROL, '4'}); }).state == "外出・直帰", "Ctrl+4");

  HWND asked = gui::commandDialog(again, w, IDM_MY_OUT_RETURNING, "帰社予定");
  CHECK(asked != nullptr, "外出・戻り asks the return time");
  if (!asked) return;
  CHECK(gui::comboItems(GetDlgItem(asked, IDC_MY_RETURN)).size() == 19, "the hours offered");
  gui::setWindowText(GetDlgItem(asked, IDC_MY_RETURN), "　１６：３０ ");
  screenshot("44-my-return-time");
  CHECK(pressAndWaitClosed(asked, IDOK), "OK");
  s = waitMyState(d, "外出・戻り");
  CHECK(s.returnTime == "16:30" && s.morning == "表示テスト", "return time folded and trimmed: %s",
        s.returnTime.c_str());

  // Another PC rewrote my plans since this one last read the board: theirs stay.
  setRow({7, "他のPCで書いた予定", "", "16:30", "外出・戻り", todayAt("12:00")});
  writeFile(d.share + "\\tv_cont.lst", &image, sizeof image);
  store::BoardImage before = readBoard(d);
  s = setMyStateBy(d, w, "帰宅", [&] { gui::clickToolbarButton(again.process(), w.toolbar, IDM_MY_HOME); });
  CHECK(s.morning == "他のPCで書いた予定" && s.returnTime.empty(), "their plans kept: %s", s.morning.c_str());
  checkOtherSlotsKept(before, readBoard(d), {7});
  CHECK(gui::waitFor([&] { return gui::itemText(again.process(), w.list, 7, 4) == "帰宅"; }, 5000), "list shows it");
  screenshot("45-my-row");

  // The menu's 予定を消去 asks first, then empties my row, its time too.
  // Each time once the window takes the command: the folder's watch looks at the board after each save.
  HWND question = gui::commandDialog(again, w, IDM_CLEAR_MINE, "予定を消去");
  CHECK(question != nullptr, "asked first");
  CHECK(question && pressAndWaitClosed(question, IDNO), "No");
  question = gui::commandDialog(again, w, IDM_CLEAR_MINE, "予定を消去");
  CHECK(question != nullptr, "asked again");
  CHECK(question && pressAndWaitClosed(question, IDYES), "Yes");
  CHECK(gui::waitFor(
            [&] {
              const SlotTexts mine = slotOf(readBoard(d), 7);
              return mine.state.empty() && mine.morning.empty() && mine.written.empty();
            },
            10000),
        "my row cleared");
  checkOtherSlotsKept(before, readBoard(d), {7});
  CHECK(closeProgram(again, w), "closed");
}

}  // namespace gui

namespace gui {

// A state the board did not take stays in view with the board's own reason until one is saved: a list
// update, even one that waits for a lock, leaves it, and its retry saves the state once the board can be
// written again.
void myStateNotSaved() {
  CaseDirs d = makeBoardCase("my-state-not-saved");
  WritePrivateProfileStringA("User", "MyName", (std::string("\"") + Names[7] + "\"").c_str(), userIniPath().c_str());
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  CHECK(gui::waitFor([&] { return buttonEnabled(w, IDM_MY_OFFICE); }, 5000), "state buttons enabled");
  // Held open for reading by a program that lets no one else write: the board opens, but not to be written.
  const std::string board = d.share + "\\tv_cont.lst";
  HANDLE held = CreateFileA(board.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  CHECK(held != INVALID_HANDLE_VALUE, "board held");
  CHECK(gui::clickToolbarButton(p.process(), w.toolbar, IDM_MY_OFFICE), "社内 button");
  HWND bar = GetDlgItem(w.main, IDC_NOTICE_BAR);
  const std::string said = "自分の状態「社内」は保存されていません：(206)掲示板ファイルに書き込めません";
  CHECK(gui::waitFor([&] { return IsWindowVisible(bar) && gui::windowText(bar).rfind(said, 0) == 0; }, 5000),
        "a notice with the reason: %s", gui::windowText(bar).c_str());
  screenshot("46-my-state-not-saved");

  // A list update that waits for another PC's lock shows its wait in front, and the notice comes back after.
  holdLock(d);
  PostMessageA(w.main, WM_COMMAND, IDM_UPDATE_LIST, 0);
  CHECK(gui::waitFor([&] { return gui::windowText(bar).rfind("ほかのPC[OTHERPC]がボードを使用中", 0) == 0; }, 5000),
        "the wait in front: %s", gui::windowText(bar).c_str());
  releaseLock(d);
  CHECK(gui::waitFor([&] { return gui::statusText(p.process(), w.status, 0).empty(); }, 5000), "the list updated");
  CHECK(gui::waitFor([&] { return IsWindowVisible(bar) && gui::windowText(bar).rfind(said, 0) == 0; }, 3000),
        "the notice stays: %s", gui::windowText(bar).c_str());

  // A lock left behind: its wait given up with 中止 leaves the advice with the reset; closing that brings
  // the state not saved back, which nothing but saving or its own close may take away.
  holdLock(d, "DEADPC");
  ageLock(d);
  PostMessageA(w.main, WM_COMMAND, IDM_UPDATE_LIST, 0);
  CHECK(gui::waitFor([&] { return gui::windowText(bar).rfind("PC[DEADPC]", 0) == 0; }, 5000), "the old lock's wait: %s",
        gui::windowText(bar).c_str());
  PostMessageA(GetDlgItem(bar, IDC_NOTICE_ACTION), BM_CLICK, 0, 0);
  CHECK(gui::waitFor([&] { return gui::windowText(GetDlgItem(bar, IDC_NOTICE_ACTION)) == "リセット(&R)..."; }, 5000),
        "the old lock's advice: %s", gui::windowText(bar).c_str());
  PostMessageA(GetDlgItem(bar, IDC_NOTICE_CLOSE), BM_CLICK, 0, 0);
  CHECK(gui::waitFor([&] { return IsWindowVisible(bar) && gui::windowText(bar).rfind(said, 0) == 0; }, 3000),
        "the state not saved is back: %s", gui::windowText(bar).c_str());
  releaseLock(d);
  CloseHandle(held);
  PostMessageA(GetDlgItem(bar, IDC_NOTICE_ACTION), BM_CLICK, 0, 0);
  CHECK(waitMyState(d, "社内").state == "社内", "the retry saves it");
  CHECK(gui::waitFor([&] { return !IsWindowVisible(bar); }, 5000), "and the notice goes");
  CHECK(closeProgram(p, w), "closed");
}

}  // namespace gui

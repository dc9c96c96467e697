// The menu and its commands: About, the project page and the lock reset.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "project_page.h"
#include "tests/gui/driver.h"
#include "version.h"

namespace gui {

namespace {

HWND messageBoxText(HWND box) { return GetDlgItem(box, 0xFFFF); }

// The menu in the program file: each menu's mnemonics are its own (menu handles do not cross
// processes, so the file is read). That each key a label shows runs its command is ui_command_tests'.
void checkMenuLabels() {
  HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HMENU menu = module ? LoadMenuA(module, MAKEINTRESOURCEA(IDM_MAIN)) : nullptr;
  CHECK(menu != nullptr, "main menu");
  if (!menu) return;
  CHECK(GetMenuItemCount(menu) == 4, "%d menus", GetMenuItemCount(menu));
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char top[32] = {};
    GetMenuStringA(menu, i, top, sizeof top, MF_BYPOSITION);
    CHECK(std::strchr(top, '&') != nullptr, "menu %d opens with Alt: %s", i, top);
    HMENU sub = GetSubMenu(menu, i);
    std::string mnemonics;
    for (int j = 0; sub && j < GetMenuItemCount(sub); ++j) {
      const UINT id = GetMenuItemID(sub, j);
      if (id == 0) continue;  // a separator
      char label[128] = {};
      GetMenuStringA(sub, j, label, sizeof label, MF_BYPOSITION);
      const char* amp = std::strchr(label, '&');
      CHECK(amp && mnemonics.find(amp[1]) == std::string::npos, "%s: a mnemonic of its own", label);
      if (amp) mnemonics += amp[1];
    }
  }
  DestroyMenu(menu);
  FreeLibrary(module);
}

// The page question as this build has it: with no page address, the command does nothing (About, asked
// for after it, is the next window to come up); with one, the question is owned by the main window.
void checkPageQuestion(const Program& p, const Window& w) {
  PostMessageA(w.main, WM_COMMAND, IDM_LATEST_INFO, 0);
  if (sizeof TAVELIN_PAGE == 1) {
    PostMessageA(w.main, WM_COMMAND, IDM_ABOUT, 0);
    HWND about = gui::waitForDialog(p.id(), "このﾌﾟﾛｸﾞﾗﾑについて", 10000);
    CHECK(about && !gui::waitForDialog(p.id(), "タベリン 最新情報", 0), "no page, no question");
    if (about) CHECK(pressAndWaitClosed(about, IDOK), "About closes");
    return;
  }
  HWND question = gui::waitForDialog(p.id(), "タベリン 最新情報", 10000);
  CHECK(question != nullptr, "page question");
  if (!question) return;
  CHECK(gui::windowText(messageBoxText(question)) == "作者のWEBページへ接続しますか？\n" TAVELIN_PAGE, "question: %s",
        gui::windowText(messageBoxText(question)).c_str());
  CHECK(GetWindow(question, GW_OWNER) == w.main, "owned by the main window");
  CHECK(pressAndWaitClosed(question, IDNO), "No");
}

}  // namespace

// The menu's labels, About with its program line, the page command, and the lock reset: its question
// names the holder (control bytes escaped) and the lock's age, いいえ is its default, and the list is read
// again after; with no lock there it says so instead of asking.
void menuAboutPageAndReset() {
  checkMenuLabels();
  CaseDirs d = makeBoardCase("commands");
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;

  PostMessageA(w.main, WM_COMMAND, IDM_ABOUT, 0);
  HWND about = gui::waitForDialog(p.id(), "このﾌﾟﾛｸﾞﾗﾑについて", 10000);
  CHECK(about != nullptr, "About dialog");
  if (about) {
    std::string line = gui::windowText(GetDlgItem(about, IDC_ABOUT_PROGRAM));
    CHECK(line == TAVELIN_TITLE " (300人対応)\n" TAVELIN_PROJECT_LINE TAVELIN_PAGE_LINE, "program line: %s",
          line.c_str());
    CHECK(line.find("example") == std::string::npos, "no placeholder address");
    RECT box, window;
    GetWindowRect(about, &box);
    GetWindowRect(w.main, &window);
    CHECK(std::abs((box.left + box.right) - (window.left + window.right)) <= 2 &&
              std::abs((box.top + box.bottom) - (window.top + window.bottom)) <= 2,
          "centred on the window");
    screenshot("23-about");
    CHECK(pressAndWaitClosed(about, IDOK), "About closes");
  }
  checkPageQuestion(p, w);

  const Row changed = {3, "リセット後に見える", "", "", "社内", todayAt("12:00")};
  setRow(changed);
  writeFile(d.share + "\\tv_cont.lst", &image, sizeof image);
  const struct {
    const char* lock;
    const char* question;
    const char* message;
  } resets[] = {
      {"OTHER\x01PC",
       "排他制御ファイルをリセットしてよろしいですか？\n\n使用中のPC：OTHER\\x01PC\n使用開始から：2時間5分",
       "(303)排他ファイルを削除しました"},
      {nullptr, "排他制御ファイルはありません。リセットの必要はありません。", nullptr},
  };
  for (const auto& r : resets) {
    if (r.lock) {
      holdLock(d, r.lock);
      ageLock(d);
    }
    PostMessageA(w.main, WM_COMMAND, IDM_RESET_LOCK, 0);
    HWND ask = gui::waitForDialog(p.id(), "管理者用コマンド", 10000);
    CHECK(ask != nullptr, "reset question");
    if (!ask) return;
    std::string words = r.question;
    words.erase(std::remove(words.begin(), words.end(), '\n'), words.end());
    CHECK(gui::unwrappedText(messageBoxText(ask)) == words, "question: %s",
          gui::windowText(messageBoxText(ask)).c_str());
    if (!r.message) {
      CHECK(!GetDlgItem(ask, IDYES) && pressAndWaitClosed(ask, IDOK), "said, not asked");
      continue;
    }
    screenshot("25-reset-question");
    GUITHREADINFO focus = {};
    focus.cbSize = sizeof focus;
    CHECK(GetGUIThreadInfo(p.threadId(), &focus) && focus.hwndFocus == GetDlgItem(ask, IDNO), "いいえ by default");
    CHECK(pressAndWaitClosed(ask, IDYES), "Yes");
    CHECK(gui::waitFor([&] { return gui::statusText(p.process(), w.status, 0) == r.message; }, 10000), "status: %s",
          gui::statusText(p.process(), w.status, 0).c_str());
    CHECK(!exists(d.share + "\\sem.dat"), "no lock afterwards");
    if (r.lock)
      CHECK(gui::itemText(p.process(), w.list, 3, 1) == changed.morning, "the list is read again after the reset");
  }
  CHECK(closeProgram(p, w), "closed");
}

}  // namespace gui

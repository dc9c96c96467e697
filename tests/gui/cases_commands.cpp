// The menu and its commands: About, the project page and the lock reset.
#include <cstring>

#include "project_page.h"
#include "tests/gui/driver.h"
#include "version.h"

namespace gui {

namespace {

HWND messageBoxText(HWND box) { return GetDlgItem(box, 0xFFFF); }

// The main menu in the program file holds every command with its label (menu handles do not cross processes).
void checkMenuLabels() {
  HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HMENU menu = module ? LoadMenuA(module, MAKEINTRESOURCEA(IDM_MAIN)) : nullptr;
  CHECK(menu != nullptr, "main menu");
  if (!menu) return;
  const struct {
    int id;
    const char* label;
  } items[] = {{IDM_UPDATE_LIST, "リストのアップデート"},
               {IDM_SETTINGS, "環境設定"},
               {IDM_EXIT, "終了"},
               {IDM_ABOUT, "このﾌﾟﾛｸﾞﾗﾑについて"},
               {IDM_RESET_LOCK, "排他制御ファイルをリセット"},
               {IDM_LATEST_INFO, "タベリンの最新情報"}};
  for (const auto& item : items) {
    char label[128] = {};
    GetMenuStringA(menu, item.id, label, sizeof label, MF_BYCOMMAND);
    CHECK(std::strcmp(label, item.label) == 0, "menu item %d", item.id);
  }
  char top[32] = {};
  GetMenuStringA(menu, 0, top, sizeof top, MF_BYPOSITION);
  CHECK(std::strcmp(top, "ﾌｧｲﾙ") == 0, "file menu");
  GetMenuStringA(menu, 1, top, sizeof top, MF_BYPOSITION);
  CHECK(std::strcmp(top, "ﾍﾙﾌﾟ") == 0, "help menu");
  DestroyMenu(menu);
  FreeLibrary(module);
}

}  // namespace

// The menu's labels, About with its program line, the page question answered No, and the lock reset with and
// without a lock.
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
    CHECK(line == TAVELIN_TITLE " (300人対応)\n" TAVELIN_PROJECT_LINE "\n" TAVELIN_PAGE, "program line: %s",
          line.c_str());
    screenshot("23-about");
    CHECK(pressAndWaitClosed(about, IDOK), "About closes");
  }

  PostMessageA(w.main, WM_COMMAND, IDM_LATEST_INFO, 0);
  HWND question = gui::waitForDialog(p.id(), "タベリン 最新情報", 10000);
  CHECK(question != nullptr, "page question");
  if (question) {
    CHECK(gui::windowText(messageBoxText(question)) == "作者のWEBページへ接続しますか？\n" TAVELIN_PAGE, "question: %s",
          gui::windowText(messageBoxText(question)).c_str());
    CHECK(GetWindow(question, GW_OWNER) == nullptr, "asked with no owner");
    CHECK(pressAndWaitClosed(question, IDNO), "No");
  }

  const struct {
    bool lockPresent;
    const char* message;
  } resets[] = {{true, "(303)排他ファイルを削除しました"}, {false, "(302)排他制御ファイルがありません"}};
  for (const auto& r : resets) {
    if (r.lockPresent) writeFile(d.share + "\\sem.dat", "OTHERPC", 7);
    PostMessageA(w.main, WM_COMMAND, IDM_RESET_LOCK, 0);
    HWND ask = gui::waitForDialog(p.id(), "管理者用コマンド", 10000);
    CHECK(ask != nullptr, "reset question");
    if (!ask) return;
    CHECK(gui::windowText(messageBoxText(ask)) == "排他制御ファイルをリセットしてよろしいですか？", "reset question");
    CHECK(pressAndWaitClosed(ask, IDYES), "Yes");
    CHECK(gui::waitFor([&] { return gui::statusText(p.process(), w.status, 0) == r.message; }, 10000), "status: %s",
          gui::statusText(p.process(), w.status, 0).c_str());
    CHECK(!exists(d.share + "\\sem.dat"), "no lock afterwards");
  }
  CHECK(closeProgram(p, w), "closed");
}

}  // namespace gui

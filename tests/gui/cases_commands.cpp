// The menu and its commands: About, the project page and the lock reset.
#include <cstring>

#include "project_page.h"
#include "tests/gui/driver.h"
#include "version.h"

namespace gui {

namespace {

HWND messageBoxText(HWND box) { return GetDlgItem(box, 0xFFFF); }

// The main menu in the program file holds every command with its label and key (menu handles do not cross
// processes).
void checkMenuLabels() {
  HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HMENU menu = module ? LoadMenuA(module, MAKEINTRESOURCEA(IDM_MAIN)) : nullptr;
  CHECK(menu != nullptr, "main menu");
  if (!menu) return;
  const struct {
    int id;
    const char* label;
  } items[] = {{IDM_UPDATE_LIST, "リストのアップデート(&U)\tF5"},
               {IDM_EXPORT_CSV, "CSV で保存(&S)..."},
               {IDM_SETTINGS, "環境設定(&O)"},
               {IDM_EXIT, "終了(&X)"},
               {IDM_MY_OFFICE, "社内(&1)\tCtrl+1"},
               {IDM_MY_HOME, "帰宅(&2)\tCtrl+2"},
               {IDM_MY_OUT_RETURNING, "外出・戻り(&3)...\tCtrl+3"},
               {IDM_MY_OUT_GOING_HOME, "外出・直帰(&4)\tCtrl+4"},
               {IDM_FIND, "検索(&F)\tCtrl+F"},
               {IDM_FIND_CLEAR, "検索をやめる(&E)\tEsc"},
               {IDM_ABOUT, "このﾌﾟﾛｸﾞﾗﾑについて(&A)"},
               {IDM_RESET_LOCK, "排他制御ファイルをリセット(&R)"},
               {IDM_LATEST_INFO, "タベリンの最新情報(&L)"}};
  for (const auto& item : items) {
    char label[128] = {};
    GetMenuStringA(menu, item.id, label, sizeof label, MF_BYCOMMAND);
    CHECK(std::strcmp(label, item.label) == 0, "menu item %d", item.id);
  }
  // Each menu reached by Alt and its letter.
  const char* const menus[] = {"ﾌｧｲﾙ(&F)", "自分の状態(&M)", "表示(&V)", "ﾍﾙﾌﾟ(&H)"};
  CHECK(GetMenuItemCount(menu) == 4, "%d menus", GetMenuItemCount(menu));
  for (int i = 0; i < 4; ++i) {
    char top[32] = {};
    GetMenuStringA(menu, i, top, sizeof top, MF_BYPOSITION);
    CHECK(std::strcmp(top, menus[i]) == 0, "menu %d: %s", i, top);
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

// A lock file written two hours ago.
void ageLock(const CaseDirs& d) {
  HANDLE f = CreateFileA((d.share + "\\sem.dat").c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER t;
  t.LowPart = now.dwLowDateTime;
  t.HighPart = now.dwHighDateTime;
  t.QuadPart -= (2 * 3600ULL + 5 * 60 + 30) * 10000000ULL;
  FILETIME then = {t.LowPart, t.HighPart};
  SetFileTime(f, &then, &then, &then);
  CloseHandle(f);
}

}  // namespace

// The menu's labels, About with its program line, the page command, and the lock reset: its question
// names the holder (control bytes escaped) and the lock's age, and the list is read again after.
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
      {nullptr, "排他制御ファイルをリセットしてよろしいですか？", "(302)排他制御ファイルがありません"},
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
    CHECK(gui::windowText(messageBoxText(ask)) == r.question, "question: %s",
          gui::windowText(messageBoxText(ask)).c_str());
    if (r.lock) screenshot("25-reset-question");
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

// Drives the real tavelin.exe as a user would and checks what it shows and the files it leaves.
// usage: gui_driver TAVELIN_EXE SCRATCH_DIR SHOTS_DIR
// Every case runs in its own scratch directory: a share and a current directory with the preferences.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "settings/preferences.h"
#include "store/board.h"
#include "tests/gui/remote.h"

namespace {

using gui::Program;

std::string exe, scratch, shots;
int failures;

#define CHECK(cond, ...)                                               \
  do {                                                                 \
    if (!(cond)) {                                                     \
      std::printf("  FAILED %s:%d: %s: ", __FILE__, __LINE__, #cond);  \
      std::printf(__VA_ARGS__);                                        \
      std::printf("\n");                                               \
      ++failures;                                                      \
    }                                                                  \
  } while (0)

constexpr DWORD StartMs = 30000;
constexpr DWORD SlowStartMs = 90000;  // the name list is tried 20 times a second apart
constexpr DWORD ExitMs = 15000;

const char* const Names[] = {"山田 太郎(101)", "佐藤 花子(102)", "鈴木 一郎(103)", "高橋 美咲(104)",
                             "田中 健(105)",   "伊藤 さくら(106)", "渡辺 翔(107)", "中村 愛(108)"};
constexpr int NameCount = sizeof Names / sizeof Names[0];

struct Row {
  int slot;
  const char* morning;
  const char* afternoon;
  const char* returnTime;
  const char* state;
  const char* written;
};
const Row Filled[] = {
    {0, "定例会議", "資料作成", "", "社内", "26/12/07 08:55"},
    {2, "客先訪問（横浜）", "", "15:00", "外出・戻り", "26/12/07 09:10"},
    {7, "表示テスト", "ソフト開発", "17:30", "外出・直帰", "26/12/07 07:40"},
};

store::BoardImage image;

std::string readFile(const std::string& path) {
  std::string data;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return "<missing>";
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) data.append(buffer, n);
  std::fclose(f);
  return data;
}

bool writeFile(const std::string& path, const void* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = size == 0 || std::fwrite(data, size, 1, f) == 1;
  return std::fclose(f) == 0 && ok;
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void putText(char* field, size_t size, const char* text) {
  std::memset(field, 0, size);
  std::strncpy(field, text, size - 1);
}

void setRow(const Row& row) {
  store::ScheduleEntry& e = image.entries[row.slot];
  putText(e.morning, sizeof e.morning, row.morning);
  putText(e.afternoon, sizeof e.afternoon, row.afternoon);
  putText(e.state, sizeof e.state, row.state);
  putText(image.returnTimes[row.slot], store::ReturnTimeSize, row.returnTime);
  putText(image.writtenAt[row.slot], store::WrittenSize, row.written);
}

// A fresh case directory: share\ with the name list and board, run\ as the program's current directory.
struct CaseDirs {
  std::string root, share, run;
};

CaseDirs makeCase(const char* name) {
  CaseDirs d;
  d.root = scratch + "\\" + name;
  d.share = d.root + "\\share";
  d.run = d.root + "\\run";
  CreateDirectoryA(d.root.c_str(), nullptr);
  CreateDirectoryA(d.share.c_str(), nullptr);
  CreateDirectoryA(d.run.c_str(), nullptr);
  std::string names;
  for (const char* n : Names) names += std::string(n) + ";\r\n";
  writeFile(d.share + "\\tv_name.lst", names.data(), names.size());
  std::memset(&image, 0, sizeof image);
  for (const Row& r : Filled) setRow(r);
  writeFile(d.share + "\\tv_cont.lst", &image, sizeof image);
  DeleteFileA((d.run + "\\tavelin.prf").c_str());
  DeleteFileA((d.run + "\\tavelin.cmb").c_str());
  return d;
}

settings::Preferences preferencesFor(const std::string& nameList, const std::string& boardFile) {
  settings::Preferences p = {};
  std::memcpy(p.magic, settings::PrefsMagic, sizeof settings::PrefsMagic);
  putText(p.nameListPath, sizeof p.nameListPath, nameList.c_str());
  putText(p.boardPath, sizeof p.boardPath, boardFile.c_str());
  p.colWidthName.set(120);
  p.colWidthMorning.set(110);
  p.colWidthAfternoon.set(110);
  p.colWidthReturn.set(70);
  p.colWidthState.set(80);
  p.colWidthWritten.set(120);
  p.windowX.set(30);
  p.windowY.set(30);
  p.windowWidth.set(760);
  p.windowHeight.set(480);
  p.refreshMinutes.set(3);
  return p;
}

void writePreferences(const CaseDirs& d, const settings::Preferences& p) {
  writeFile(d.run + "\\tavelin.prf", &p, sizeof p);
}

settings::Preferences readPreferences(const CaseDirs& d) {
  settings::Preferences p = {};
  std::string data = readFile(d.run + "\\tavelin.prf");
  if (data.size() == sizeof p) std::memcpy(&p, data.data(), sizeof p);
  return p;
}

BOOL CALLBACK paintNow(HWND window, LPARAM) {
  UpdateWindow(window);
  return TRUE;
}

// Pending paints of the program's windows are done first, so the picture shows a settled window.
void screenshot(const char* name) {
  HWND main = FindWindowA("Tavelin", nullptr);
  if (main) {
    UpdateWindow(main);
    EnumChildWindows(main, paintNow, 0);
    DWORD_PTR r;
    SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &r);
  }
  std::string path = shots + "\\" + name + ".bmp";
  CHECK(gui::saveScreen(path), "screenshot %s", path.c_str());
}

struct Window {
  HWND main = nullptr, list = nullptr, status = nullptr, toolbar = nullptr;
};

Window windowOf(HWND main) {
  Window w;
  w.main = main;
  if (!main) return w;
  w.list = gui::child(main, WC_LISTVIEWA);
  w.status = gui::child(main, STATUSCLASSNAMEA);
  w.toolbar = gui::child(main, TOOLBARCLASSNAMEA);
  return w;
}

// Whatever a row shows in columns 1 to 5, compared with what the board holds for it.
void checkRowTexts(const Program& p, const Window& w, const Row& r) {
  const char* expected[] = {r.morning, r.afternoon, r.returnTime, r.state, r.written};
  for (int c = 1; c <= 5; ++c) {
    std::string got = gui::itemText(p.process(), w.list, r.slot, c);
    CHECK(got == expected[c - 1], "row %d column %d", r.slot, c);
  }
}

void moveAndResizeColumns(const Window& w, int morningWidth) {
  SetWindowPos(w.main, nullptr, 50, 60, 700, 500, SWP_NOZORDER | SWP_NOACTIVATE);
  DWORD_PTR r;
  SendMessageTimeoutA(w.list, LVM_SETCOLUMNWIDTH, 1, morningWidth, SMTO_ABORTIFHUNG, 5000, &r);
}

void checkSavedGeometryAndWidths(const CaseDirs& d, int morningWidth) {
  settings::Preferences p = readPreferences(d);
  CHECK(std::strcmp(p.magic, settings::PrefsMagic) == 0, "preferences written");
  CHECK(p.colWidthMorning.get() == morningWidth, "morning width %d", p.colWidthMorning.get());
  CHECK(p.colWidthName.get() == 120, "name width %d", p.colWidthName.get());
  CHECK(p.windowX.get() == 50 && p.windowY.get() == 60, "position %d,%d", p.windowX.get(), p.windowY.get());
  CHECK(p.windowWidth.get() == 700 && p.windowHeight.get() == 500, "size %dx%d", p.windowWidth.get(),
        p.windowHeight.get());
  CHECK(readFile(d.run + "\\tavelin.cmb").size() == 2400, "history written");
}

bool endsWith(const std::string& s, const char* tail) {
  size_t n = std::strlen(tail);
  return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

// Menu 101 of the program file holds every command with its label (menu handles do not cross processes).
void checkMenu() {
  HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HMENU menu = module ? LoadMenuA(module, MAKEINTRESOURCEA(101)) : nullptr;
  CHECK(menu != nullptr, "menu 101");
  if (!menu) return;
  const struct {
    int id;
    const char* label;
  } items[] = {{40053, "リストのアップデート"}, {40014, "環境設定"}, {40015, "終了"},
               {40017, "このﾌﾟﾛｸﾞﾗﾑについて"}, {40057, "排他制御ファイルをリセット"}, {40055, "タベリンの最新情報"}};
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

// The board comes up, a second start hands over, and closing by the title bar saves everything.
void membersSecondStartAndClose() {
  CaseDirs d = makeCase("members");
  writePreferences(d, preferencesFor(d.share + "\\tv_name.lst", d.share + "\\tv_cont.lst"));
  Program first;
  CHECK(first.start(exe, d.run), "start");
  Window w = windowOf(gui::waitForMainWindow(first, StartMs));
  CHECK(w.main && w.list && w.status && w.toolbar, "main window with list, status bar and toolbar");
  if (!w.main) return;

  CHECK(gui::waitFor([&] { return gui::itemCount(w.list) == NameCount; }, 5000), "one row per member: %d",
        gui::itemCount(w.list));
  CHECK(gui::columnCount(w.list) == 6, "six columns");
  for (int i = 0; i < NameCount; ++i)
    CHECK(gui::itemText(first.process(), w.list, i, 0) == Names[i], "name of row %d", i);
  for (const Row& r : Filled) checkRowTexts(first, w, r);
  CHECK(gui::itemText(first.process(), w.list, 1, 1).empty(), "an empty row stays empty");
  std::string info = gui::statusText(first.process(), w.status, 1);
  CHECK(info.size() > 10 && info.compare(0, 2, "20") == 0 && endsWith(info, "の情報"), "time of access: %s",
        info.c_str());
  CHECK(gui::statusText(first.process(), w.status, 0).empty(), "no message after a good start");

  checkMenu();
  screenshot("01-members");

  // A second copy: it brings the first to the front and leaves every file as it was.
  std::string prefsBefore = readFile(d.run + "\\tavelin.prf");
  std::string boardBefore = readFile(d.share + "\\tv_cont.lst");
  HWND other = CreateWindowExA(0, "STATIC", "front", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr,
                               nullptr, nullptr);
  SetForegroundWindow(other);
  Program second;
  CHECK(second.start(exe, d.run), "second start");
  DWORD code = 1234;
  CHECK(second.waitExit(ExitMs, &code), "the second copy ends");
  CHECK(code == 0, "second copy exit code %lu", code);
  CHECK(gui::waitFor([&] { return GetForegroundWindow() == w.main; }, 5000), "first copy in front");
  DestroyWindow(other);
  CHECK(readFile(d.run + "\\tavelin.prf") == prefsBefore, "preferences untouched by the second copy");
  CHECK(!exists(d.run + "\\tavelin.cmb"), "no history written by the second copy");
  CHECK(readFile(d.share + "\\tv_cont.lst") == boardBefore, "board untouched");
  CHECK(!exists(d.share + "\\sem.dat"), "no lock left behind");
  screenshot("02-second-start");

  moveAndResizeColumns(w, 150);
  PostMessageA(w.main, WM_CLOSE, 0, 0);
  CHECK(first.waitExit(ExitMs, &code), "closed by the title bar");
  CHECK(code == 0, "exit code %lu", code);
  checkSavedGeometryAndWidths(d, 150);
}

// A board changed behind the program's back shows after the list-update button, not before;
// Exit saves everything.
void listUpdateAndExit() {
  CaseDirs d = makeCase("update");
  writePreferences(d, preferencesFor(d.share + "\\tv_name.lst", d.share + "\\tv_cont.lst"));
  Program p;
  CHECK(p.start(exe, d.run), "start");
  Window w = windowOf(gui::waitForMainWindow(p, StartMs));
  if (!w.main) {
    CHECK(false, "no main window");
    return;
  }
  CHECK(gui::waitFor([&] { return gui::itemCount(w.list) == NameCount; }, 5000), "rows");

  const Row changed = {4, "本社会議", "打合せ（大阪）", "16:00", "外出・戻り", "26/12/08 10:05"};
  setRow(changed);
  writeFile(d.share + "\\tv_cont.lst", &image, sizeof image);
  InvalidateRect(w.main, nullptr, TRUE);
  UpdateWindow(w.main);
  SendMessageA(w.main, WM_ACTIVATE, WA_ACTIVE, 0);
  UpdateWindow(w.main);
  CHECK(gui::itemText(p.process(), w.list, 4, 1).empty(), "a repaint does not read the share");

  CHECK(gui::clickToolbarButton(p.process(), w.toolbar, 40053), "toolbar button found");
  CHECK(gui::waitFor([&] { return gui::itemText(p.process(), w.list, 4, 1) == changed.morning; }, 10000),
        "the change shows after the list update");
  checkRowTexts(p, w, changed);
  for (const Row& r : Filled) checkRowTexts(p, w, r);
  screenshot("03-after-list-update");

  moveAndResizeColumns(w, 170);
  PostMessageA(w.main, WM_COMMAND, 40015, 0);
  DWORD code = 1234;
  CHECK(p.waitExit(ExitMs, &code), "ended by Exit");
  CHECK(code == 0, "exit code %lu", code);
  checkSavedGeometryAndWidths(d, 170);
}

// No name list: an empty list with the columns and the connection message.
void unreachableNameList() {
  CaseDirs d = makeCase("unreachable");
  writePreferences(d, preferencesFor(d.share + "\\missing\\tv_name.lst", d.share + "\\tv_cont.lst"));
  Program p;
  CHECK(p.start(exe, d.run), "start");
  Window w = windowOf(gui::waitForMainWindow(p, SlowStartMs));
  if (!w.main) {
    CHECK(false, "no main window");
    return;
  }
  CHECK(gui::itemCount(w.list) == 0, "no rows");
  CHECK(gui::columnCount(w.list) == 6, "six columns");
  CHECK(gui::statusText(p.process(), w.status, 0) == "サーバーに接続できません", "message: %s",
        gui::statusText(p.process(), w.status, 0).c_str());
  screenshot("04-unreachable-name-list");
  PostMessageA(w.main, WM_CLOSE, 0, 0);
  CHECK(p.waitExit(ExitMs), "closed");
}

// No preferences anywhere: columns but no rows, the share untouched, nothing saved as preferences.
void firstStartWithoutPreferences() {
  CaseDirs d = makeCase("setup");
  char windowsDir[MAX_PATH];
  GetWindowsDirectoryA(windowsDir, sizeof windowsDir);
  std::string windowsPrefs = std::string(windowsDir) + "\\tavelin.prf";
  if (exists(windowsPrefs)) {
    CHECK(false, "%s exists; this case needs a prefix without it", windowsPrefs.c_str());
    return;
  }
  Program p;
  CHECK(p.start(exe, d.run), "start");
  Window w = windowOf(gui::waitForMainWindow(p, StartMs));
  if (!w.main) {
    CHECK(false, "no main window");
    return;
  }
  CHECK(gui::itemCount(w.list) == 0, "no rows");
  CHECK(gui::columnCount(w.list) == 6, "six columns");
  CHECK(gui::statusText(p.process(), w.status, 1).empty(), "no board access");
  screenshot("05-first-start");
  PostMessageA(w.main, WM_CLOSE, 0, 0);
  CHECK(p.waitExit(ExitMs), "closed");
  CHECK(!exists(d.run + "\\tavelin.prf") && !exists(windowsPrefs), "no preferences saved before the setup");
  CHECK(!exists(d.share + "\\sem.dat"), "share untouched");
}

struct Case {
  const char* name;
  void (*run)();
};

const Case cases[] = {
    {"members, second start, close by title bar", membersSecondStartAndClose},
    {"list update and Exit", listUpdateAndExit},
    {"first start without preferences", firstStartWithoutPreferences},
    {"unreachable name list", unreachableNameList},
};

}  // namespace

// For the demo: waits for a copy started by the demo, saves DIRECTORY\\shot.bmp and closes it.
int shootRunningCopy(const char* directory) {
  Window w = windowOf(gui::waitForMainWindow(0, SlowStartMs));
  if (!w.main) return 1;
  gui::waitFor([&] { return gui::itemCount(w.list) > 0; }, 5000);
  shots = directory;
  screenshot("shot");
  PostMessageA(w.main, WM_CLOSE, 0, 0);
  return gui::waitFor([&] { return !IsWindow(w.main); }, ExitMs) && failures == 0 ? 0 : 1;
}

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--shoot") == 0) return shootRunningCopy(argv[2]);
  if (argc < 4) {
    std::fprintf(stderr, "usage: gui_driver TAVELIN_EXE SCRATCH_DIR SHOTS_DIR [CASE_SUBSTRING]\n");
    return 2;
  }
  exe = argv[1];
  scratch = argv[2];
  shots = argv[3];
  int failedCases = 0;
  for (const Case& c : cases) {
    if (argc > 4 && !std::strstr(c.name, argv[4])) continue;
    int before = failures;
    DWORD start = GetTickCount();
    c.run();
    bool ok = failures == before;
    failedCases += ok ? 0 : 1;
    std::printf("%s %s (%.1f s)\n", ok ? "PASS" : "FAIL", c.name, (GetTickCount() - start) / 1000.0);
    std::fflush(stdout);
  }
  std::printf(failedCases ? "GUI TESTS FAILED: %d case(s)\n" : "GUI TESTS PASSED\n", failedCases);
  return failedCases ? 1 : 0;
}

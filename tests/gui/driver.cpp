// Drives the real tavelin.exe as a user would and checks what it shows and the files it leaves.
// usage: gui_driver TAVELIN_EXE SCRATCH_DIR SHOTS_DIR
// Every case runs in its own scratch directory: a share and a current directory with the preferences.
#include <windows.h>
// commctrl.h needs the types windows.h declares.
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "project_page.h"
#include "settings/preferences.h"
#include "store/board.h"
#include "tests/gui/remote.h"
#include "version.h"

namespace {

using gui::Program;

std::string exe, scratch, shots;
int failures;

#define CHECK(cond, ...)                                              \
  do {                                                                \
    if (!(cond)) {                                                    \
      std::printf("  FAILED %s:%d: %s: ", __FILE__, __LINE__, #cond); \
      std::printf(__VA_ARGS__);                                       \
      std::printf("\n");                                              \
      ++failures;                                                     \
    }                                                                 \
  } while (0)

constexpr DWORD StartMs = 30000;
constexpr DWORD SlowStartMs = 90000;  // the name list is tried 20 times a second apart
constexpr DWORD ExitMs = 15000;

const char* const Names[] = {"山田 太郎(101)", "佐藤 花子(102)",   "鈴木 一郎(103)", "高橋 美咲(104)",
                             "田中 健(105)",   "伊藤 さくら(106)", "渡辺 翔(107)",   "中村 愛(108)"};
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

// A case whose preferences point at its own share's name list and board.
CaseDirs makeBoardCase(const char* name) {
  CaseDirs d = makeCase(name);
  writePreferences(d, preferencesFor(d.share + "\\tv_name.lst", d.share + "\\tv_cont.lst"));
  return d;
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

// Every visible top-level window (the main window and any dialog over it) and its controls.
BOOL CALLBACK paintTopLevel(HWND window, LPARAM) {
  if (!IsWindowVisible(window)) return TRUE;
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  EnumChildWindows(window, paintNow, 0);
  DWORD_PTR r;
  SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &r);
  return TRUE;
}

// Pending paints of the program's windows are done first, so the picture shows settled windows.
void screenshot(const char* name) {
  EnumWindows(paintTopLevel, 0);
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
  } items[] = {{40053, "リストのアップデート"},
               {40014, "環境設定"},
               {40015, "終了"},
               {40017, "このﾌﾟﾛｸﾞﾗﾑについて"},
               {40057, "排他制御ファイルをリセット"},
               {40055, "タベリンの最新情報"}};
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

// Starts the program on a case whose board is ready and waits for its rows.
Window startWithBoard(Program& p, const CaseDirs& d) {
  CHECK(p.start(exe, d.run), "start");
  Window w = windowOf(gui::waitForMainWindow(p, StartMs));
  CHECK(w.main != nullptr, "main window");
  if (w.main) CHECK(gui::waitFor([&] { return gui::itemCount(w.list) == NameCount; }, 5000), "rows");
  return w;
}

// The board comes up, a second start hands over, and closing by the title bar saves everything.
void membersSecondStartAndClose() {
  CaseDirs d = makeBoardCase("members");
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
  HWND other =
      CreateWindowExA(0, "STATIC", "front", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
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
  CaseDirs d = makeBoardCase("update");
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;

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

store::BoardImage readBoard(const CaseDirs& d) {
  store::BoardImage b = {};
  std::string data = readFile(d.share + "\\tv_cont.lst");
  if (data.size() == sizeof b) std::memcpy(&b, data.data(), sizeof b);
  return b;
}

std::string fieldOf(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

struct SlotTexts {
  std::string morning, afternoon, returnTime, state, written;
};

SlotTexts slotOf(const store::BoardImage& b, int slot) {
  const store::ScheduleEntry& e = b.entries[slot];
  return {fieldOf(e.morning, sizeof e.morning), fieldOf(e.afternoon, sizeof e.afternoon),
          fieldOf(b.returnTimes[slot], store::ReturnTimeSize), fieldOf(e.state, sizeof e.state),
          fieldOf(b.writtenAt[slot], store::WrittenSize)};
}

// Every slot but the named ones holds the bytes it held before.
void checkOtherSlotsKept(const store::BoardImage& before, const store::BoardImage& after, std::vector<int> changed) {
  for (int slot = 0; slot < store::MaxMembers; ++slot) {
    bool skip = false;
    for (int c : changed) skip = skip || c == slot;
    if (skip) continue;
    bool same = std::memcmp(&before.entries[slot], &after.entries[slot], sizeof before.entries[slot]) == 0 &&
                std::memcmp(before.returnTimes[slot], after.returnTimes[slot], store::ReturnTimeSize) == 0 &&
                std::memcmp(before.writtenAt[slot], after.writtenAt[slot], store::WrittenSize) == 0;
    CHECK(same, "slot %d unchanged", slot);
  }
  CHECK(std::memcmp(before.boardNames, after.boardNames, sizeof before.boardNames) == 0, "name area unchanged");
}

std::string writtenAtOf(const SYSTEMTIME& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d/%02d/%02d %02d:%02d", t.wYear % 100, t.wMonth, t.wDay, t.wHour, t.wMinute);
  return text;
}

// A stamp taken between the two times (the minute may turn while OK runs).
bool stampedBetween(const std::string& written, const SYSTEMTIME& before, const SYSTEMTIME& after) {
  return written == writtenAtOf(before) || written == writtenAtOf(after);
}

struct EntryDialog {
  HWND dialog = nullptr, morning = nullptr, afternoon = nullptr, returnTime = nullptr, state = nullptr;
};

EntryDialog waitEntryDialog(const Program& p) {
  EntryDialog e;
  e.dialog = gui::waitForDialog(p.id(), "行き先の入力", 10000);
  if (!e.dialog) return e;
  e.morning = GetDlgItem(e.dialog, 1001);
  e.afternoon = GetDlgItem(e.dialog, 1003);
  e.returnTime = GetDlgItem(e.dialog, 1002);
  e.state = GetDlgItem(e.dialog, 1013);
  return e;
}

// The right click as the list view passes it on: WM_CONTEXTMENU with the row's screen point.
bool rightClickRow(const Program& p, const Window& w, int row) {
  POINT pt;
  if (!gui::itemScreenPoint(p.process(), w.list, row, &pt)) return false;
  return PostMessageA(w.main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(w.list), MAKELPARAM(pt.x, pt.y)) != 0;
}

// Presses a dialog button and waits for the dialog to go.
bool pressAndWaitClosed(HWND dialog, int id) {
  PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
  return gui::waitFor([&] { return !IsWindow(dialog); }, 10000);
}

void fillEntry(const EntryDialog& e, const char* morning, const char* afternoon, const char* returnTime,
               const char* state) {
  gui::setWindowText(e.morning, morning);
  gui::setWindowText(e.afternoon, afternoon);
  gui::setWindowText(e.returnTime, returnTime);
  gui::setWindowText(e.state, state);
}

bool closeProgram(Program& p, const Window& w) {
  PostMessageA(w.main, WM_CLOSE, 0, 0);
  return p.waitExit(ExitMs);
}

std::vector<std::string> historyTexts(const CaseDirs& d) {
  std::vector<std::string> texts;
  std::string data = readFile(d.run + "\\tavelin.cmb");
  for (size_t at = 0; at + 120 <= data.size(); at += 120) {
    std::string t = fieldOf(data.data() + at, 120);
    if (!t.empty()) texts.push_back(t);
  }
  return texts;
}

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
  CHECK(gui::windowText(GetDlgItem(e.dialog, 1004)) == "鈴木 一郎(103) の行動予定の変更", "group caption: %s",
        gui::windowText(GetDlgItem(e.dialog, 1004)).c_str());
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
  screenshot("10-entry-dialog");

  // Another copy writes row 5 while the dialog is open.
  const Row other = {5, "他のPCから", "", "", "帰宅", "26/12/08 11:11"};
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

void pressKeys(std::vector<WORD> keys) {
  std::vector<INPUT> inputs;
  for (WORD k : keys) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = k;
    inputs.push_back(in);
  }
  for (auto k = keys.rbegin(); k != keys.rend(); ++k) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = *k;
    in.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(in);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Enter, Shift+F10 and a double click reach the dialog, the keys for the focused row; a return time typed in full width is stored
// in ASCII; OK with all four fields empty clears the row, its time too, and adds nothing to the history.
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
  CHECK(gui::windowText(GetDlgItem(e.dialog, 1004)) == "高橋 美咲(104) の行動予定の変更", "the focused row's dialog");
  // Texts longer than the fields: each arrives one byte short of its board field.
  std::string longMorning(130, 'x'), longAfternoon(130, 'y');
  fillEntry(e, longMorning.c_str(), longAfternoon.c_str(), "１７：３０", "ABCDEFGHIJKLMNOPQRST");
  CHECK(pressAndWaitClosed(e.dialog, IDOK), "OK");
  store::BoardImage after = readBoard(d);
  SlotTexts typed = slotOf(after, 3);
  CHECK(typed.returnTime == "17:30", "full width folded: %s", typed.returnTime.c_str());
  CHECK(typed.morning == std::string(118, 'x') && typed.afternoon == std::string(118, 'y'), "plans cut to 118: %zu %zu",
        typed.morning.size(), typed.afternoon.size());
  CHECK(typed.state == "ABCDEFGHIJKLMN", "state cut to 14: %s", typed.state.c_str());
  CHECK(!typed.written.empty(), "stamped");

  CHECK(gui::focusItem(p.process(), w.list, 7), "row 7 selected");
  SetForegroundWindow(w.main);
  pressKeys({VK_SHIFT, VK_F10});
  e = waitEntryDialog(p);
  CHECK(e.dialog != nullptr, "Shift+F10 opens the dialog");
  if (!e.dialog) return;
  CHECK(gui::windowText(GetDlgItem(e.dialog, 1004)) == "中村 愛(108) の行動予定の変更", "row 7's dialog");
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
  CHECK(e.dialog && gui::windowText(GetDlgItem(e.dialog, 1004)) == "佐藤 花子(102) の行動予定の変更",
        "the point -1, -1 opens the focused row");
  if (e.dialog) CHECK(pressAndWaitClosed(e.dialog, IDCANCEL), "cancel");

  POINT pt;
  CHECK(gui::itemScreenPoint(p.process(), w.list, 4, &pt), "row 4 point");
  ScreenToClient(w.list, &pt);
  PostMessageA(w.list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
  PostMessageA(w.list, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
  e = waitEntryDialog(p);
  CHECK(e.dialog && gui::windowText(GetDlgItem(e.dialog, 1004)) == "田中 健(105) の行動予定の変更",
        "a double click opens the row");
  if (e.dialog) CHECK(pressAndWaitClosed(e.dialog, IDCANCEL), "cancel");

  CHECK(closeProgram(p, w), "closed");
  CHECK((historyTexts(d) == std::vector<std::string>{std::string(118, 'y'), std::string(118, 'x')}),
        "only the plans typed on row 3 in the history; the cleared row added nothing");
}

std::string windowsDirFile(const char* name) {
  char dir[MAX_PATH];
  GetWindowsDirectoryA(dir, sizeof dir);
  return std::string(dir) + "\\" + name;
}

// A first start saves into the Windows directory; other cases need it empty again.
void removeWindowsDirFiles() {
  DeleteFileA(windowsDirFile("tavelin.prf").c_str());
  DeleteFileA(windowsDirFile("tavelin.cmb").c_str());
}

HWND focusOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

bool pathIs(const char (&field)[settings::PathSize], const std::string& path) {
  return fieldOf(field, sizeof field) == path;
}

// Presses OK in the restart notice and waits for the program to end.
void acknowledgeRestart(Program& p, const char* shot = nullptr) {
  HWND notice = gui::waitForDialog(p.id(), "再起動の確認", 10000);
  CHECK(notice != nullptr, "restart notice");
  if (!notice) return;
  if (shot) screenshot(shot);
  CHECK(pressAndWaitClosed(notice, IDOK), "notice closes");
  CHECK(p.waitExit(ExitMs), "the program ends after the notice");
}

// No preferences anywhere: the settings come before the main window. Cancel ends with no preferences;
// 設定 shows the notice, ends, saves the paths and the interval, and the next start shows the board.
void firstStart() {
  CaseDirs d = makeCase("first-start");
  removeWindowsDirFiles();
  Program p;
  CHECK(p.start(exe, d.run), "start");
  HWND settingsBox = gui::waitForDialog(p.id(), "環境設定", StartMs);
  CHECK(settingsBox != nullptr, "settings dialog");
  if (!settingsBox) return;
  HWND main = FindWindowA("Tavelin", nullptr);
  CHECK(!main || !IsWindowVisible(main), "no main window shown yet");
  CHECK(GetWindow(settingsBox, GW_OWNER) == nullptr, "owned by no window");
  CHECK(gui::windowText(GetDlgItem(settingsBox, 1001)) == settings::DefaultNameListPath, "default name list path");
  CHECK(gui::windowText(GetDlgItem(settingsBox, 1009)) == "3", "default interval");
  screenshot("20-first-start-settings");
  CHECK(pressAndWaitClosed(settingsBox, IDCANCEL), "cancel");
  DWORD code = 1234;
  CHECK(gui::waitFor([&] { return gui::waitForDialog(p.id(), "再起動の確認", 0) || p.waitExit(0); }, ExitMs),
        "ends or shows a notice");
  CHECK(!gui::waitForDialog(p.id(), "再起動の確認", 0), "no notice after cancel");
  CHECK(p.waitExit(ExitMs, &code) && code == 0, "ended after cancel");
  CHECK(!exists(d.run + "\\tavelin.prf") && !exists(windowsDirFile("tavelin.prf")), "no preferences after cancel");
  CHECK(exists(windowsDirFile("tavelin.cmb")), "history written");
  removeWindowsDirFiles();

  Program confirm;
  CHECK(confirm.start(exe, d.run), "start again");
  settingsBox = gui::waitForDialog(confirm.id(), "環境設定", StartMs);
  CHECK(settingsBox != nullptr, "settings dialog again");
  if (!settingsBox) return;
  std::string names = d.share + "\\tv_name.lst", board = d.share + "\\tv_cont.lst";
  gui::setWindowText(GetDlgItem(settingsBox, 1001), names.c_str());
  gui::setWindowText(GetDlgItem(settingsBox, 1005), board.c_str());
  gui::setWindowText(GetDlgItem(settingsBox, 1009), "5");
  CHECK(pressAndWaitClosed(settingsBox, IDOK), "設定");
  acknowledgeRestart(confirm, "21-restart-notice");
  settings::Preferences saved = {};
  std::string data = readFile(windowsDirFile("tavelin.prf"));
  CHECK(data.size() == sizeof saved, "preferences saved in the Windows directory");
  if (data.size() == sizeof saved) std::memcpy(&saved, data.data(), sizeof saved);
  CHECK(pathIs(saved.nameListPath, names) && pathIs(saved.boardPath, board), "paths saved");
  CHECK(saved.refreshMinutes.get() == 5, "interval saved: %d", saved.refreshMinutes.get());

  Program next;
  Window w = startWithBoard(next, d);
  if (w.main) {
    CHECK(gui::itemText(next.process(), w.list, 0, 1) == "定例会議", "the board shows");
    CHECK(closeProgram(next, w), "closed");
  }
  removeWindowsDirFiles();
}

HWND fileDialogOf(const Program& p, HWND besides) {
  HWND found = nullptr;
  gui::waitFor(
      [&] {
        for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "#32770", nullptr)) != nullptr;) {
          DWORD pid = 0;
          GetWindowThreadProcessId(w, &pid);
          if (pid == p.id() && w != besides && IsWindowVisible(w)) found = w;
        }
        return found != nullptr;
      },
      10000);
  return found;
}

// The open-file dialog: the path typed into its file name field and Open pressed.
bool browseTo(const Program& p, HWND settingsBox, int button, const std::string& path) {
  PostMessageA(GetDlgItem(settingsBox, button), BM_CLICK, 0, 0);
  HWND box = fileDialogOf(p, settingsBox);
  if (!box) return false;
  HWND name = GetDlgItem(box, 0x47c);        // cmb13, the file name
  if (!name) name = GetDlgItem(box, 0x480);  // edt1 in the older layout
  if (!name) return false;
  gui::setWindowText(name, path.c_str());
  return pressAndWaitClosed(box, IDOK);
}

HWND openSettingsFromMenu(const Program& p, const Window& w) {
  PostMessageA(w.main, WM_COMMAND, 40014, 0);
  return gui::waitForDialog(p.id(), "環境設定", 10000);
}

// From the menu, Cancel still ends the program after the notice and keeps a browsed path; a path too long
// for its field is refused and the field keeps the stored one.
void settingsBrowseThenCancel() {
  CaseDirs d = makeCase("settings-browse");
  std::string names = d.share + "\\tv_name.lst", board = d.share + "\\tv_cont.lst";
  writePreferences(d, preferencesFor(names, board));
  std::string other = d.share + "\\other.lst";
  writeFile(other, "A;B;", 4);
  std::string deep = d.share + "\\" + std::string(150, 'd');
  CreateDirectoryA(deep.c_str(), nullptr);
  std::string tooLong = deep + "\\" + std::string(256 - deep.size() - 1 - 4, 'f') + ".lst";
  CHECK(tooLong.size() == 256 && writeFile(tooLong, "A;", 2), "a file with a 256-byte path");

  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  HWND box = openSettingsFromMenu(p, w);
  CHECK(box != nullptr, "settings dialog");
  if (!box) return;
  CHECK(GetWindow(box, GW_OWNER) == w.main, "owned by the main window");
  CHECK(focusOf(box) == GetDlgItem(box, IDOK), "focus on 設定");
  screenshot("22-settings");

  CHECK(browseTo(p, box, 1007, tooLong), "browse to the long path");
  CHECK(gui::windowText(GetDlgItem(box, 1001)) == names, "the field keeps the stored path");
  CHECK(!gui::windowText(GetDlgItem(box, 1010)).empty(), "the refusal is explained");
  screenshot("24-settings-path-refused");
  CHECK(browseTo(p, box, 1007, other), "browse to another list");
  CHECK(gui::windowText(GetDlgItem(box, 1001)) == other, "the field shows the choice");
  CHECK(gui::windowText(GetDlgItem(box, 1010)).empty(), "the explanation goes");
  gui::setWindowText(GetDlgItem(box, 1005), "Z:\\typed\\not-kept.lst");
  CHECK(pressAndWaitClosed(box, IDCANCEL), "cancel");
  acknowledgeRestart(p);
  settings::Preferences saved = readPreferences(d);
  CHECK(pathIs(saved.nameListPath, other), "browsed path kept");
  CHECK(pathIs(saved.boardPath, board), "typed path not kept");
}

// The interval field as stored: over 60 is 60; 0, words and numbers negative in 16 bits are 0.
void settingsInterval() {
  const struct {
    const char* typed;
    int stored;
  } cases[] = {{"75", 60}, {"0", 0}, {"abc", 0}, {"40000", 0}, {"7", 7}};
  for (const auto& c : cases) {
    CaseDirs d = makeBoardCase("settings-interval");
    Program p;
    Window w = startWithBoard(p, d);
    if (!w.main) return;
    HWND box = openSettingsFromMenu(p, w);
    CHECK(box != nullptr, "settings dialog");
    if (!box) return;
    gui::setWindowText(GetDlgItem(box, 1009), c.typed);
    CHECK(pressAndWaitClosed(box, IDOK), "設定");
    acknowledgeRestart(p);
    int stored = readPreferences(d).refreshMinutes.get();
    CHECK(stored == c.stored, "%s stored as %d", c.typed, stored);
  }
}

// One file for both would let the first row write replace the name list: refused with a note.
void settingsSameFileForBoth() {
  CaseDirs d = makeBoardCase("settings-same-file");
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  HWND box = openSettingsFromMenu(p, w);
  CHECK(box != nullptr, "settings dialog");
  if (!box) return;
  const std::string names = gui::windowText(GetDlgItem(box, 1001));
  gui::setWindowText(GetDlgItem(box, 1005), names.c_str());
  SendMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  CHECK(IsWindow(box), "the dialog stays open");
  const std::string note = gui::windowText(GetDlgItem(box, 1010));
  CHECK(note == "名前リストとボード内容に同じファイルは指定できません。", "note: %s", note.c_str());
  screenshot("27-settings-same-file");
  CHECK(pressAndWaitClosed(box, IDCANCEL), "Cancel");
  CHECK(pathIs(readPreferences(d).boardPath, d.share + "\\tv_cont.lst"), "board path unchanged");
  CHECK(closeProgram(p, w), "closed");
}

HWND messageBoxText(HWND box) { return GetDlgItem(box, 0xFFFF); }

// About with its program line, the page question answered No, and the lock reset with and without a lock.
void aboutPageAndReset() {
  CaseDirs d = makeBoardCase("commands");
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;

  PostMessageA(w.main, WM_COMMAND, 40017, 0);
  HWND about = gui::waitForDialog(p.id(), "このﾌﾟﾛｸﾞﾗﾑについて", 10000);
  CHECK(about != nullptr, "About dialog");
  if (about) {
    std::string line = gui::windowText(GetDlgItem(about, 1020));
    CHECK(line == TAVELIN_TITLE " (300人対応)\n" TAVELIN_PROJECT_LINE "\n" TAVELIN_PAGE, "program line: %s",
          line.c_str());
    screenshot("23-about");
    CHECK(pressAndWaitClosed(about, IDOK), "About closes");
  }

  PostMessageA(w.main, WM_COMMAND, 40055, 0);
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
    PostMessageA(w.main, WM_COMMAND, 40057, 0);
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

struct Case {
  const char* name;
  void (*run)();
};

const Case cases[] = {
    {"members, second start, close by title bar", membersSecondStartAndClose},
    {"list update and Exit", listUpdateAndExit},
    {"unreachable name list", unreachableNameList},
    {"entry by right click", entryByRightClick},
    {"entry cancel and miss", entryCancelAndMiss},
    {"entry by keyboard", entryByKeyboard},
    {"first start", firstStart},
    {"settings browse then cancel", settingsBrowseThenCancel},
    {"settings interval", settingsInterval},
    {"settings refuses one file for both", settingsSameFileForBoth},
    {"about, page and lock reset", aboutPageAndReset},
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

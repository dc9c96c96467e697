// The main window: its rows, a second start, the list update, and what closing and Exit save.
#include <cstring>
#include <vector>

#include "tests/gui/driver.h"

namespace gui {

namespace {

// Whatever a row shows in columns 1 to 5, compared with what the board holds for it.
void checkRowTexts(const Program& p, const Window& w, const Row& r) {
  const char* expected[] = {r.morning, r.afternoon, r.returnTime, r.state, r.written.c_str()};
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

}  // namespace

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
  CHECK(gui::columnCount(w.list) == 7, "seven columns: the six fields and the extension");
  for (int i = 0; i < NameCount; ++i) {
    CHECK(gui::itemText(first.process(), w.list, i, 0) == Names[i], "name of row %d", i);
    CHECK(gui::itemText(first.process(), w.list, i, 6) == std::to_string(101 + i), "extension of row %d", i);
  }
  for (const Row& r : Filled) checkRowTexts(first, w, r);
  CHECK(gui::itemText(first.process(), w.list, 1, 1).empty(), "an empty row stays empty");
  std::string info = gui::statusText(first.process(), w.status, 1);
  CHECK(info.size() > 10 && info.compare(0, 2, "20") == 0 && endsWith(info, "の情報"), "time of access: %s",
        info.c_str());
  CHECK(gui::statusText(first.process(), w.status, 0).empty(), "no message after a good start");

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

// A board changed behind the program's back shows after the list-update button, not before, and on
// the screen too (the list draws only what was invalidated); Exit saves everything.
void listUpdateAndExit() {
  CaseDirs d = makeBoardCase("update");
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;

  const Row changed = {4, "本社会議", "打合せ（大阪）", "16:00", "外出・戻り", todayAt("10:05")};
  setRow(changed);
  writeFile(d.share + "\\tv_cont.lst", &image, sizeof image);
  InvalidateRect(w.main, nullptr, TRUE);
  UpdateWindow(w.main);
  SendMessageA(w.main, WM_ACTIVATE, WA_ACTIVE, 0);
  UpdateWindow(w.main);
  CHECK(gui::itemText(p.process(), w.list, 4, 1).empty(), "a repaint does not read the share");
  auto inkInCell = [&] {
    RECT r;
    if (!gui::cellScreenRect(p.process(), w.list, 4, 1, &r)) return -1;
    InflateRect(&r, -2, -2);
    int dark = 0;
    for (COLORREF c : gui::screenPixels(r)) dark += GetRValue(c) < 70 && GetGValue(c) < 70 && GetBValue(c) < 70;
    return dark;
  };
  SetForegroundWindow(w.main);
  CHECK(inkInCell() == 0, "the empty cell is blank on the screen");

  CHECK(gui::clickToolbarButton(p.process(), w.toolbar, IDM_UPDATE_LIST), "toolbar button found");
  CHECK(gui::waitFor([&] { return gui::itemText(p.process(), w.list, 4, 1) == changed.morning; }, 10000),
        "the change shows after the list update");
  CHECK(gui::waitFor([&] { return inkInCell() > 0; }, 3000), "and the changed row is drawn again");
  checkRowTexts(p, w, changed);
  for (const Row& r : Filled) checkRowTexts(p, w, r);
  screenshot("03-after-list-update");

  moveAndResizeColumns(w, 170);
  PostMessageA(w.main, WM_COMMAND, IDM_EXIT, 0);
  DWORD code = 1234;
  CHECK(p.waitExit(ExitMs, &code), "ended by Exit");
  CHECK(code == 0, "exit code %lu", code);
  checkSavedGeometryAndWidths(d, 170);
}

namespace {

std::string namesText(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& n : names) text += n + ";\r\n";
  return text;
}

std::vector<std::string> caseNames() { return std::vector<std::string>(Names, Names + NameCount); }

bool showsRows(const Program& p, const Window& w, const std::vector<std::string>& names) {
  if (gui::itemCount(w.list) != static_cast<int>(names.size())) return false;
  for (size_t i = 0; i < names.size(); ++i)
    if (gui::itemText(p.process(), w.list, static_cast<int>(i), 0) != names[i]) return false;
  return true;
}

// The timer's message as Windows sends it; false when the window did not answer within ms.
bool timerTick(const Window& w, DWORD ms) { return gui::sendWithin(w.main, WM_TIMER, IDT_REFRESH, 0, ms); }

}  // namespace

// Started without the share: the window shows at once and answers while the name list is tried. The list update loads
// the list once it is there; the timer reloads a list that changed, and loads one when none is loaded, with one quick
// attempt.
void shareComesBack() {
  CaseDirs d = makeCase("share-back");
  const std::string names = d.share + "\\tv_name.lst";
  writePreferences(d, preferencesFor(names, d.share + "\\tv_cont.lst"));
  DeleteFileA(names.c_str());
  Program p;
  CHECK(p.start(exe, d.run), "start");
  Window w = windowOf(gui::waitForMainWindow(p, StartMs));
  CHECK(w.main != nullptr, "the window shows while the name list is tried");
  if (!w.main) return;
  for (int i = 0; i < 3; ++i) CHECK(gui::sendWithin(w.main, WM_NULL, 0, 0, 1000), "answers during the retries");
  screenshot("04-loading-name-list");
  // Named at once, with the way to the settings, while the list is tried.
  HWND bar = GetDlgItem(w.main, IDC_NOTICE_BAR);
  CHECK(gui::waitFor(
            [&] {
              return IsWindowVisible(bar) && gui::windowText(bar).find(names) != std::string::npos &&
                     gui::windowText(GetDlgItem(bar, IDC_NOTICE_ACTION)) == "環境設定(&O)...";
            },
            5000),
        "a notice naming the list: %s", gui::windowText(bar).c_str());
  screenshot("04-name-list-missing");
  const std::string said = "サーバーに接続できません（名前リスト：" + names + "）";
  CHECK(gui::waitFor([&] { return gui::statusText(p.process(), w.status, 0) == said; }, SlowStartMs), "message: %s",
        gui::statusText(p.process(), w.status, 0).c_str());
  CHECK(gui::itemCount(w.list) == 0 && gui::columnCount(w.list) == 7, "seven columns, no rows");

  std::vector<std::string> members = caseNames();
  std::string text = namesText(members);
  writeFile(names, text.data(), text.size());
  PostMessageA(w.main, WM_COMMAND, IDM_UPDATE_LIST, 0);
  CHECK(gui::waitFor([&] { return showsRows(p, w, members); }, 10000), "the list update loads the list");
  CHECK(gui::waitFor([&] { return gui::itemText(p.process(), w.list, 0, 1) == "定例会議"; }, 5000), "and the board");
  CHECK(!IsWindowVisible(bar), "the notice goes");

  // Changed while another PC holds the board's lock: new rows at once, the board's rows kept until it can be read.
  members.push_back("小林 新(109)");
  text = namesText(members);
  writeFile(names, text.data(), text.size());
  holdLock(d);
  CHECK(timerTick(w, 5000), "tick");
  CHECK(gui::waitFor([&] { return showsRows(p, w, members); }, 5000), "the timer reloads a changed list");
  CHECK(gui::itemText(p.process(), w.list, 0, 1) == "定例会議", "the rows read before stay in view");
  releaseLock(d);

  // A list that cannot be read (a folder in its place) leaves none loaded; the next tick tries once.
  DeleteFileA(names.c_str());
  CreateDirectoryA(names.c_str(), nullptr);
  CHECK(timerTick(w, 5000), "tick");
  CHECK(gui::waitFor([&] { return gui::itemCount(w.list) == 0; }, 5000), "no list, no rows");
  CHECK(timerTick(w, 3000), "a tick without the list returns within a second or so");
  RemoveDirectoryA(names.c_str());
  writeFile(names, text.data(), text.size());
  CHECK(timerTick(w, 5000), "tick");
  CHECK(gui::waitFor([&] { return showsRows(p, w, members); }, 5000), "the timer loads the list when none is loaded");
  CHECK(closeProgram(p, w), "closed");
}

// The status bar's time is that of the last good read: none after a start whose read failed, the time
// once a read succeeds.
void statusTimeOfGoodRead() {
  CaseDirs d = makeBoardCase("status-time");
  const std::string board = d.share + "\\tv_cont.lst", aside = d.share + "\\aside.lst";
  MoveFileA(board.c_str(), aside.c_str());
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  CHECK(gui::waitFor(
            [&] { return gui::statusText(p.process(), w.status, 0) == "(105)掲示板ファイルがオープンできません"; },
            10000),
        "message: %s", gui::statusText(p.process(), w.status, 0).c_str());
  CHECK(gui::statusText(p.process(), w.status, 1).empty(), "no time without a good read: %s",
        gui::statusText(p.process(), w.status, 1).c_str());
  MoveFileA(aside.c_str(), board.c_str());
  PostMessageA(w.main, WM_COMMAND, IDM_UPDATE_LIST, 0);
  CHECK(gui::waitFor([&] { return gui::itemText(p.process(), w.list, 0, 1) == "定例会議"; }, 10000), "board read");
  std::string info = gui::statusText(p.process(), w.status, 1);
  CHECK(info.size() > 10 && info.compare(0, 2, "20") == 0 && endsWith(info, "の情報"), "time of the read: %s",
        info.c_str());
  CHECK(closeProgram(p, w), "closed");
}

}  // namespace gui

namespace gui {

// Trouble with the name list is said on the notice bar, once: a name inserted in the middle moves the rows
// after it (named with their rows before and now, their plans now beside other names), a 301st name is
// ignored, a list saved as UTF-8 garbles (said for a member, who tells the administrator).
void nameListTrouble() {
  CaseDirs d = makeBoardCase("name-list-trouble");
  Program first;
  Window w = startWithBoard(first, d);
  if (!w.main) return;
  HWND bar = GetDlgItem(w.main, IDC_NOTICE_BAR);
  CHECK(!IsWindowVisible(bar), "nothing to say of a list loaded the first time");
  CHECK(closeProgram(first, w), "closed");

  std::vector<std::string> members = caseNames();
  members.insert(members.begin() + 2, "新人 一郎(100)");
  while (members.size() < 301) members.push_back("臨時" + std::to_string(members.size()));
  std::string text = namesText(members);
  writeFile(d.share + "\\tv_name.lst", text.data(), text.size());
  Program p;
  CHECK(p.start(exe, d.run), "start");
  w = windowOf(gui::waitForMainWindow(p, StartMs));
  if (!w.main) return;
  bar = GetDlgItem(w.main, IDC_NOTICE_BAR);
  CHECK(gui::waitFor([&] { return gui::itemCount(w.list) == 300; }, 5000), "300 rows");
  const std::string moved = "6名の行が移動しました：鈴木 一郎(103)（3→4行目）、高橋 美咲(104)（4→5行目）";
  CHECK(gui::waitFor(
            [&] {
              const std::string said = gui::windowText(bar);
              return IsWindowVisible(bar) && said.find("301人目からの1名は表示されません") != std::string::npos &&
                     said.find(moved) != std::string::npos && said.find("ほかの人の名前の横に") != std::string::npos;
            },
            5000),
        "said: %s", gui::windowText(bar).c_str());
  screenshot("03-name-list-trouble");
  PostMessageA(GetDlgItem(bar, IDC_NOTICE_CLOSE), BM_CLICK, 0, 0);
  CHECK(gui::waitFor([&] { return !IsWindowVisible(bar); }, 3000), "closed by its button");
  CHECK(closeProgram(p, w), "closed");

  const char utf8[] = "\xE5\xB1\xB1\xE7\x94\xB0 \xE5\xA4\xAA\xE9\x83\x8E;\r\n\xE4\xBD\x90\xE8\x97\xA4;\r\n";
  writeFile(d.share + "\\tv_name.lst", utf8, sizeof utf8 - 1);
  Program again;
  CHECK(again.start(exe, d.run), "start");
  w = windowOf(gui::waitForMainWindow(again, StartMs));
  if (!w.main) return;
  bar = GetDlgItem(w.main, IDC_NOTICE_BAR);
  CHECK(gui::waitFor([&] { return IsWindowVisible(bar) && gui::windowText(bar).find("UTF-8") != std::string::npos; },
                     5000),
        "UTF-8 said: %s", gui::windowText(bar).c_str());
  // A member has no administrator's tool: the notice says whom to tell.
  CHECK(gui::windowText(bar).find("tavelin-cli") == std::string::npos &&
            gui::windowText(bar).find("管理者に") != std::string::npos,
        "for a member: %s", gui::windowText(bar).c_str());
  CHECK(closeProgram(again, w), "closed");
}

// The board does not open for a while (held by a program that lets no one in, as a share that stops
// answering does) and then opens again, unseen by any watch (the automatic refresh is off, as a share
// that stopped answering ends the folder's watch): the failure's message a list update showed goes
// within seconds all the same.
void failureGoesWithTheShare() {
  CaseDirs d = makeCase("failure-goes");
  settings::Preferences prefs = preferencesFor(d.share + "\\tv_name.lst", d.share + "\\tv_cont.lst");
  prefs.refreshMinutes.set(0);
  writePreferences(d, prefs);
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  const std::string board = d.share + "\\tv_cont.lst";
  HANDLE held = CreateFileA(board.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  CHECK(held != INVALID_HANDLE_VALUE, "the board held");
  PostMessageA(w.main, WM_COMMAND, IDM_UPDATE_LIST, 0);
  CHECK(gui::waitFor([&] { return !gui::statusText(p.process(), w.status, 0).empty(); }, 10000), "a failure said");
  CHECK(gui::waitFor([&] { return gui::ask(w.toolbar, TB_ISBUTTONENABLED, IDM_UPDATE_LIST, 0) > 0; }, 10000),
        "the update over");
  const std::string said = gui::statusText(p.process(), w.status, 0);
  CloseHandle(held);
  const DWORD back = GetTickCount();
  CHECK(gui::waitFor([&] { return gui::statusText(p.process(), w.status, 0).empty(); }, 15000), "the message goes: %s",
        gui::statusText(p.process(), w.status, 0).c_str());
  std::printf("  \"%s\" went %lu ms after the board opened again\n", said.c_str(), GetTickCount() - back);
  CHECK(GetTickCount() - back < 10000, "within seconds: %lu ms", GetTickCount() - back);
  CHECK(closeProgram(p, w), "closed");
}

}  // namespace gui

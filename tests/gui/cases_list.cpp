// The main window: its rows, a second start, the list update, and what closing and Exit save.
#include <cstring>

#include "tests/gui/driver.h"

namespace gui {

namespace {

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
  CHECK(gui::columnCount(w.list) == 6, "six columns");
  for (int i = 0; i < NameCount; ++i)
    CHECK(gui::itemText(first.process(), w.list, i, 0) == Names[i], "name of row %d", i);
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

  CHECK(gui::clickToolbarButton(p.process(), w.toolbar, IDM_UPDATE_LIST), "toolbar button found");
  CHECK(gui::waitFor([&] { return gui::itemText(p.process(), w.list, 4, 1) == changed.morning; }, 10000),
        "the change shows after the list update");
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

}  // namespace gui

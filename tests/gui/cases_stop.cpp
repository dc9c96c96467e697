// The window's end while the share is busy: a close in the middle of a lock operation, Windows ending
// the session, and a close that leaves a write unsaved.
#include <cstring>

#include "tests/gui/entry.h"

namespace gui {

namespace {

bool myHomeButtonEnabled(const Window& w) { return gui::ask(w.toolbar, TB_ISBUTTONENABLED, IDM_MY_HOME, 0) > 0; }

}  // namespace

// A close that gives up on a worker stuck in a lock file's create or remove (the test build's stall)
// ends the process only once the operation is over, and deletes the lock it made: sem.dat never stays.
void closeInLockOperation() {
  const struct {
    const char* name;
    const char* stall;
    bool afterCreate;  // the close waits until the lock file stands
  } cases[] = {
      {"create", "create:1:4000", false},
      {"remove", "remove:1:4000", true},
  };
  const std::string faulty = exe.substr(0, exe.find_last_of('\\') + 1) + "tavelin_faults.exe";
  for (const auto& c : cases) {
    CaseDirs d = makeBoardCase((std::string("close-in-lock-") + c.name).c_str());
    SetEnvironmentVariableA("TAVELIN_FAULT_STALL", c.stall);
    Program p;
    const bool started = p.start(faulty, d.run);
    SetEnvironmentVariableA("TAVELIN_FAULT_STALL", nullptr);
    CHECK(started, "%s: start %s", c.name, faulty.c_str());
    HWND main = gui::waitForMainWindow(p, StartMs);
    CHECK(main != nullptr, "%s: the window", c.name);
    if (!main) continue;
    const std::string lock = d.share + "\\sem.dat";
    if (c.afterCreate) CHECK(gui::waitFor([&] { return exists(lock); }, 5000), "%s: the lock made", c.name);
    PostMessageA(main, WM_CLOSE, 0, 0);
    DWORD code = 1234;
    CHECK(p.waitExit(10000, &code), "%s: ends", c.name);
    CHECK(!exists(lock), "%s: no lock left", c.name);
  }
}

// Windows ends the session with the window open: the records are saved when it asks, and by the end
// of WM_ENDSESSION no lock of ours stands, whatever the process does after.
void shutdownSavesRecords() {
  CaseDirs d = makeBoardCase("shutdown");
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  DeleteFileA((d.run + "\\tavelin.cmb").c_str());
  CHECK(SetWindowPos(w.main, nullptr, 90, 60, 700, 450, SWP_NOZORDER | SWP_NOACTIVATE), "moved");
  CHECK(gui::waitFor(
            [&] {
              RECT r;
              return GetWindowRect(w.main, &r) && r.left == 90 && r.top == 60;
            },
            3000),
        "in place");
  DWORD_PTR agreed = 0;
  CHECK(SendMessageTimeoutA(w.main, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &agreed) && agreed,
        "the session may end");
  settings::Preferences saved = readPreferences(d);
  CHECK(saved.windowX.get() == 90 && saved.windowY.get() == 60, "position saved when asked: %d,%d", saved.windowX.get(),
        saved.windowY.get());
  CHECK(exists(d.run + "\\tavelin.cmb"), "the history saved when asked");
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(w.main, WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG, 8000, &ignored);
  CHECK(!exists(d.share + "\\sem.dat"), "no lock left");
  // Windows ends the process after WM_ENDSESSION if it has not ended itself.
  if (!p.waitExit(3000)) TerminateProcess(p.process(), 0);
}

// 帰宅 and then a close while another PC holds the lock: the window does not go silently; the member
// is told which change was not saved.
void closeTellsUnsaved() {
  CaseDirs d = makeBoardCase("close-tells-unsaved");
  WritePrivateProfileStringA("User", "MyName", (std::string("\"") + Names[7] + "\"").c_str(), userIniPath().c_str());
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  CHECK(gui::waitFor([&] { return myHomeButtonEnabled(w); }, 5000), "state buttons enabled");
  const std::string before = slotOf(readBoard(d), 7).state;
  holdLock(d);
  CHECK(gui::clickToolbarButton(p.process(), w.toolbar, IDM_MY_HOME), "帰宅 button");
  CHECK(gui::waitFor([&] { return !myHomeButtonEnabled(w); }, 3000), "the write under way");
  PostMessageA(w.main, WM_CLOSE, 0, 0);
  HWND told = gui::waitForDialog(p.id(), "保存されていない変更", 12000);
  CHECK(told != nullptr, "the member is told");
  if (told) {
    HWND text = FindWindowExA(told, nullptr, "Static", nullptr);
    while (text && gui::windowText(text).empty()) text = FindWindowExA(told, text, "Static", nullptr);
    const std::string said = text ? gui::windowText(text) : "";
    CHECK(said.find("自分の状態「帰宅」") != std::string::npos, "names 帰宅: %s", said.c_str());
    screenshot("60-close-tells-unsaved");
    PostMessageA(told, WM_COMMAND, IDOK, 0);
  }
  CHECK(p.waitExit(5000), "ends");
  CHECK(slotOf(readBoard(d), 7).state == before, "the row as it was");
  CHECK(readFile(d.share + "\\sem.dat") == "OTHERPC", "the other PC's lock untouched");
  releaseLock(d);
}

}  // namespace gui

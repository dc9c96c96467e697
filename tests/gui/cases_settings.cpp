// The settings: the first start, browsing, the interval, and a refused pair of paths.
#include <cstring>

#include "tests/gui/driver.h"

namespace gui {

namespace {

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

// Presses OK in the restart notice and waits for the program to end.
void acknowledgeRestart(Program& p, const char* shot = nullptr) {
  HWND notice = gui::waitForDialog(p.id(), "再起動の確認", 10000);
  CHECK(notice != nullptr, "restart notice");
  if (!notice) return;
  if (shot) screenshot(shot);
  CHECK(pressAndWaitClosed(notice, IDOK), "notice closes");
  CHECK(p.waitExit(ExitMs), "the program ends after the notice");
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
  return gui::commandDialog(p, w, IDM_SETTINGS, "環境設定");
}

// The program started on a board case with the settings opened from the menu; null after a failed check.
HWND startWithSettingsOpen(Program& p, Window& w, const CaseDirs& d) {
  w = startWithBoard(p, d);
  if (!w.main) return nullptr;
  HWND box = openSettingsFromMenu(p, w);
  CHECK(box != nullptr, "settings dialog");
  return box;
}

std::string underEnvironment(const char* variable, const std::string& tail) {
  char base[MAX_PATH] = {};
  GetEnvironmentVariableA(variable, base, sizeof base);
  return std::string(base) + tail;
}

// Where an older 32-bit program's records went for a standard user: C:\windows as VirtualStore\windows.
std::string virtualStoreDir() {
  char dir[MAX_PATH] = {};
  GetWindowsDirectoryA(dir, sizeof dir);
  return underEnvironment("LOCALAPPDATA", "\\VirtualStore") + (dir + 2);
}

}  // namespace

// The records where a standard user's PC keeps them: the user's own folder, or the copy an older 32-bit
// program left in the VirtualStore. Each is found (the board shows, no first start), and the preferences
// and the history are saved back there, not in the current or the Windows folder.
void recordsInUserFolders() {
  const std::string places[] = {underEnvironment("APPDATA", "\\Tavelin"), virtualStoreDir()};
  for (const std::string& dir : places) {
    CaseDirs d = makeCase("records-elsewhere");
    removeWindowsDirFiles();
    CreateDirectoryA(underEnvironment("LOCALAPPDATA", "\\VirtualStore").c_str(), nullptr);
    CreateDirectoryA(dir.c_str(), nullptr);
    const std::string prefs = dir + "\\tavelin.prf", history = dir + "\\tavelin.cmb";
    DeleteFileA(history.c_str());
    settings::Preferences p = preferencesFor(d.share + "\\tv_name.lst", d.share + "\\tv_cont.lst");
    writeFile(prefs, &p, sizeof p);
    Program program;
    Window w = startWithBoard(program, d);
    if (w.main) {
      SetWindowPos(w.main, nullptr, 90, 80, 700, 450, SWP_NOZORDER | SWP_NOACTIVATE);
      CHECK(closeProgram(program, w), "closed");
      settings::Preferences saved = {};
      const std::string data = readFile(prefs);
      if (data.size() == sizeof saved) std::memcpy(&saved, data.data(), sizeof saved);
      CHECK(saved.windowX.get() == 90 && saved.windowY.get() == 80, "%s: saved back where found", dir.c_str());
      CHECK(exists(history), "%s: the history beside them", dir.c_str());
      CHECK(!exists(d.run + "\\tavelin.prf") && !exists(windowsDirFile("tavelin.prf")), "nowhere else");
    }
    DeleteFileA(prefs.c_str());
    DeleteFileA(history.c_str());
  }
}

// No preferences anywhere: the settings come before the main window. Cancel ends with no preferences;
// 設定 shows the notice, ends, saves the paths and the interval, and the next start shows the board.
void firstStart() {
  CaseDirs d = makeCase("first-start");
  removeWindowsDirFiles();
  Program p;
  CHECK(p.start(exe, d.run), "start");
  HWND settingsBox = gui::waitForDialog(p.id(), "環境設定", StartMs);
  DWORD ended = 0;
  CHECK(settingsBox != nullptr, "settings dialog (the program %s; a main window: %s)",
        p.waitExit(0, &ended) ? "ended" : "runs", FindWindowA("Tavelin", nullptr) ? "yes" : "no");
  if (!settingsBox) return;
  CHECK(FindWindowA("Tavelin", nullptr) == nullptr, "no main window, not even a hidden one");
  CHECK(GetWindow(settingsBox, GW_OWNER) == nullptr, "owned by no window");
  // The example paths are hints only: Enter at once saves no made-up server.
  CHECK(gui::windowText(GetDlgItem(settingsBox, IDC_NAME_LIST_PATH)).empty() &&
            gui::windowText(GetDlgItem(settingsBox, IDC_BOARD_PATH)).empty(),
        "the example paths are no text");
  CHECK(focusOf(settingsBox) == GetDlgItem(settingsBox, IDC_NAME_LIST_PATH), "focus on the name list's path");
  CHECK(gui::windowText(GetDlgItem(settingsBox, IDC_INTERVAL)) == "3", "default interval");
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
  HWND own = GetDlgItem(settingsBox, IDC_OWN_NAME);
  CHECK(!IsWindowEnabled(own), "no name list yet, no names to choose");
  CHECK(gui::sendWithin(settingsBox, WM_COMMAND, IDOK, 0, 3000) && IsWindowVisible(settingsBox) &&
            gui::unwrappedText(GetDlgItem(settingsBox, IDC_SETTINGS_NOTE)).rfind("名前リストファイルを指定", 0) == 0,
        "設定 with empty paths refused: %s", gui::unwrappedText(GetDlgItem(settingsBox, IDC_SETTINGS_NOTE)).c_str());
  gui::setWindowText(GetDlgItem(settingsBox, IDC_NAME_LIST_PATH), names.c_str());
  CHECK(
      gui::waitFor([&] { return IsWindowEnabled(own) && SendMessageA(own, CB_GETCOUNT, 0, 0) == 1 + NameCount; }, 5000),
      "my name chosen from the list just typed");
  gui::setWindowText(GetDlgItem(settingsBox, IDC_BOARD_PATH), board.c_str());
  gui::setWindowText(GetDlgItem(settingsBox, IDC_INTERVAL), "5");
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
    CHECK(gui::waitFor([&] { return gui::itemText(next.process(), w.list, 0, 1) == "定例会議"; }, 5000),
          "the board shows");
    CHECK(closeProgram(next, w), "closed");
  }
  removeWindowsDirFiles();
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
  Window w;
  HWND box = startWithSettingsOpen(p, w, d);
  if (!box) return;
  CHECK(GetWindow(box, GW_OWNER) == w.main, "owned by the main window");
  CHECK(focusOf(box) == GetDlgItem(box, IDC_NAME_LIST_PATH), "focus on the name list's path");
  screenshot("22-settings");

  CHECK(browseTo(p, box, IDC_BROWSE_NAME_LIST, tooLong), "browse to the long path");
  CHECK(gui::windowText(GetDlgItem(box, IDC_NAME_LIST_PATH)) == names, "the field keeps the stored path");
  CHECK(!gui::unwrappedText(GetDlgItem(box, IDC_SETTINGS_NOTE)).empty(), "the refusal is explained");
  screenshot("24-settings-path-refused");
  CHECK(browseTo(p, box, IDC_BROWSE_NAME_LIST, other), "browse to another list");
  CHECK(gui::windowText(GetDlgItem(box, IDC_NAME_LIST_PATH)) == other, "the field shows the choice");
  CHECK(gui::unwrappedText(GetDlgItem(box, IDC_SETTINGS_NOTE)).empty(), "the explanation goes");
  CHECK(gui::waitFor([&] { return SendDlgItemMessageA(box, IDC_OWN_NAME, CB_GETCOUNT, 0, 0) == 3; }, 5000),
        "my name chosen from the list browsed to");
  gui::setWindowText(GetDlgItem(box, IDC_BOARD_PATH), "Z:\\typed\\not-kept.lst");
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
    Window w;
    HWND box = startWithSettingsOpen(p, w, d);
    if (!box) return;
    gui::setWindowText(GetDlgItem(box, IDC_INTERVAL), c.typed);
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
  Window w;
  HWND box = startWithSettingsOpen(p, w, d);
  if (!box) return;
  const std::string names = gui::windowText(GetDlgItem(box, IDC_NAME_LIST_PATH));
  gui::setWindowText(GetDlgItem(box, IDC_BOARD_PATH), names.c_str());
  SendMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  // The share's worker compares the two; the note comes with its answer.
  const std::string refused = "名前リストファイルとボード内容ファイルに同じファイルは指定できません。";
  CHECK(gui::waitFor([&] { return gui::unwrappedText(GetDlgItem(box, IDC_PATH_NOTE)) == refused; }, 3000), "note: %s",
        gui::unwrappedText(GetDlgItem(box, IDC_PATH_NOTE)).c_str());
  CHECK(gui::waitFor([&] { return IsWindowEnabled(GetDlgItem(box, IDOK)) != FALSE; }, 3000), "OK back once answered");
  CHECK(IsWindow(box), "the dialog stays open");
  screenshot("27-settings-same-file");

  // A refusal's note goes as soon as what it says no longer holds: another board named, a path typed
  // into the field left empty.
  const struct {
    int emptied, refilled;
    const char* path;
  } fixes[] = {{0, IDC_BOARD_PATH, "Z:\\elsewhere\\tv_cont.lst"},
               {IDC_NAME_LIST_PATH, IDC_NAME_LIST_PATH, "Z:\\elsewhere\\tv_name.lst"}};
  for (const auto& fix : fixes) {
    if (fix.emptied) {
      gui::setWindowText(GetDlgItem(box, fix.emptied), "");
      SendMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
      CHECK(gui::waitFor([&] { return !gui::unwrappedText(GetDlgItem(box, IDC_SETTINGS_NOTE)).empty(); }, 3000),
            "an empty path refused");
    }
    gui::setWindowText(GetDlgItem(box, fix.refilled), fix.path);
    CHECK(gui::waitFor(
              [&] {
                return gui::unwrappedText(GetDlgItem(box, IDC_SETTINGS_NOTE)).empty() &&
                       gui::unwrappedText(GetDlgItem(box, IDC_PATH_NOTE)).find(refused) == std::string::npos;
              },
              3000),
          "the note goes once %s is typed: %s", fix.path, gui::unwrappedText(GetDlgItem(box, IDC_PATH_NOTE)).c_str());
  }
  CHECK(pressAndWaitClosed(box, IDCANCEL), "Cancel");
  CHECK(pathIs(readPreferences(d).boardPath, d.share + "\\tv_cont.lst"), "board path unchanged");
  CHECK(closeProgram(p, w), "closed");
}

// Older PCs cut at the last '\' only, so every PC locks one file when paths hold '\' alone: a '/' loaded or
// typed is shown as '\' with a note, and stored so.
void settingsBackslashesOnly() {
  CaseDirs d = makeCase("settings-slashes");
  const std::string names = d.share + "\\tv_name.lst", board = d.share + "\\tv_cont.lst";
  const auto slashed = [](std::string path) { return path.replace(path.rfind('\\'), 1, "/"); };
  writePreferences(d, preferencesFor(names, slashed(board)));
  Program p;
  Window w;
  HWND box = startWithSettingsOpen(p, w, d);
  if (!box) return;
  CHECK(gui::windowText(GetDlgItem(box, IDC_BOARD_PATH)) == board, "a loaded '/' is shown as '\\'");
  CHECK(!gui::unwrappedText(GetDlgItem(box, IDC_SETTINGS_NOTE)).empty(), "the note says so");
  gui::setWindowText(GetDlgItem(box, IDC_NAME_LIST_PATH), slashed(names).c_str());
  CHECK(gui::windowText(GetDlgItem(box, IDC_NAME_LIST_PATH)) == names, "a typed '/' becomes '\\'");
  screenshot("28-settings-backslashes");
  CHECK(pressAndWaitClosed(box, IDOK), "設定");
  acknowledgeRestart(p);
  const settings::Preferences saved = readPreferences(d);
  CHECK(pathIs(saved.nameListPath, names) && pathIs(saved.boardPath, board), "stored with '\\' only");
}

// A board named 予定表.lst: older PCs cut its path at 表's second byte, 0x5C, and lock 予定表sem.dat;
// the settings say so. Saving where no lock file can be made is off until it is ticked, and then the
// status bar says it is on for as long as it is.
void settingsOlderLockAndWritesWithoutLock() {
  CaseDirs d = makeCase("settings-older-lock");
  const std::string board = d.share + "\\予定表.lst";
  const std::string image = readFile(d.share + "\\tv_cont.lst");
  writeFile(board, image.data(), image.size());
  writePreferences(d, preferencesFor(d.share + "\\tv_name.lst", board));
  Program p;
  Window w;
  HWND box = startWithSettingsOpen(p, w, d);
  if (!box) return;
  const std::string note = gui::unwrappedText(GetDlgItem(box, IDC_SETTINGS_NOTE));
  CHECK(note.find("「予定表sem.dat」") != std::string::npos, "the older PCs' lock named: %s", note.c_str());
  CHECK(IsDlgButtonChecked(box, IDC_WRITE_WITHOUT_LOCK) == BST_UNCHECKED, "writing without the lock is off");
  CHECK(gui::statusText(p.process(), w.status, 2).empty(), "and not said on the bar");
  screenshot("29-settings-older-lock");
  gui::setWindowText(GetDlgItem(box, IDC_BOARD_PATH), (d.share + "\\tv_cont.lst").c_str());
  CHECK(gui::unwrappedText(GetDlgItem(box, IDC_SETTINGS_NOTE)).empty(), "a name without the byte: no note");
  SendDlgItemMessageA(box, IDC_WRITE_WITHOUT_LOCK, BM_CLICK, 0, 0);
  CHECK(pressAndWaitClosed(box, IDOK), "設定");
  acknowledgeRestart(p);
  char kept[8] = {};
  GetPrivateProfileStringA("Share", "WriteWithoutLock", "", kept, sizeof kept, userIniPath().c_str());
  CHECK(std::string(kept) == "1", "kept in tavelin.ini: %s", kept);

  Program again;
  Window shown = startWithBoard(again, d);
  if (!shown.main) return;
  const std::string said = gui::statusText(again.process(), shown.status, 2);
  CHECK(said == "使用中の印なしの書き込み：有効", "the bar says it is on: %s", said.c_str());
  screenshot("30-writes-without-lock-on");
  CHECK(closeProgram(again, shown), "closed");
  DeleteFileA(userIniPath().c_str());
}

// Each path's trouble is said under the paths as soon as the share's worker has looked, from the
// dialog's opening on, and goes as soon as it no longer holds: a name list that is not there, a folder
// named as the board, a board missing.
void settingsNamePathTrouble() {
  CaseDirs d = makeBoardCase("settings-path-trouble");
  const std::string names = d.share + "\\tv_name.lst", board = d.share + "\\tv_cont.lst";
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  // The list is gone after the start, as when the server loses it.
  MoveFileA(names.c_str(), (names + ".away").c_str());
  HWND box = openSettingsFromMenu(p, w);
  CHECK(box != nullptr, "settings dialog");
  if (!box) return;
  const auto noteHolds = [&](const char* part) {
    return gui::waitFor(
        [&] {
          const std::string note = gui::unwrappedText(GetDlgItem(box, IDC_PATH_NOTE));
          return part[0] ? note.find(part) != std::string::npos : note.empty();
        },
        3000);
  };
  CHECK(noteHolds("名前リストファイルが見つかりません"), "a missing list said at the opening: %s",
        gui::unwrappedText(GetDlgItem(box, IDC_PATH_NOTE)).c_str());
  screenshot("31-settings-path-trouble");
  MoveFileA((names + ".away").c_str(), names.c_str());
  const struct {
    int field;
    std::string path;
    const char* said;
  } steps[] = {
      {IDC_NAME_LIST_PATH, d.share, "名前リストファイルのパスはファイルではありません"},
      {IDC_NAME_LIST_PATH, names, ""},
      {IDC_BOARD_PATH, d.share + "\\none.lst", "ボード内容ファイルが見つかりません"},
      {IDC_BOARD_PATH, board, ""},
  };
  for (const auto& step : steps) {
    gui::setWindowText(GetDlgItem(box, step.field), step.path.c_str());
    CHECK(noteHolds(step.said), "%s: said %s", step.path.c_str(),
          gui::unwrappedText(GetDlgItem(box, IDC_PATH_NOTE)).c_str());
  }
  CHECK(gui::waitFor([&] { return IsWindowEnabled(GetDlgItem(box, IDOK)) != FALSE; }, 3000), "OK once answered");
  CHECK(pressAndWaitClosed(box, IDCANCEL), "Cancel");
  acknowledgeRestart(p);
}

// My name found by typing part of it: the first name that begins with it, else the first holding it,
// is the one chosen, and the one kept at OK.
void settingsOwnNameByTyping() {
  CaseDirs d = makeBoardCase("settings-own-name");
  Program p;
  Window w;
  HWND box = startWithSettingsOpen(p, w, d);
  if (!box) return;
  HWND combo = GetDlgItem(box, IDC_OWN_NAME);
  HWND typed = FindWindowExA(combo, nullptr, "Edit", nullptr);
  CHECK(typed != nullptr, "my name can be typed");
  if (!typed) return;
  // Typed where the member clicked: the field has the focus first, as the list opens only for typing there;
  // the mouse out of the way, since the open list follows it.
  SetCursorPos(0, 0);
  PostMessageA(box, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(typed), TRUE);
  CHECK(gui::waitFor([&] { return focusOf(box) == typed; }, 5000), "the field has the focus");
  const struct {
    const char* part;
    int chosen;  // (なし) is the first item
  } cases[] = {{"花子", 2}, {"中", 8}, {"105", 5}};
  for (const auto& c : cases) {
    // Typed, key by key: a text set whole is no typing to a combo box's field.
    gui::setWindowText(typed, "");
    wchar_t keys[16] = {};
    MultiByteToWideChar(932, 0, c.part, -1, keys, 16);
    for (const wchar_t* k = keys; *k; ++k) PostMessageW(typed, WM_CHAR, *k, 0);
    CHECK(gui::waitFor([&] { return SendMessageA(combo, CB_GETCURSEL, 0, 0) == c.chosen; }, 2000), "%s: item %ld",
          c.part, static_cast<long>(SendMessageA(combo, CB_GETCURSEL, 0, 0)));
  }
  screenshot("32-settings-own-name-typed");
  CHECK(pressAndWaitClosed(box, IDOK), "設定");
  acknowledgeRestart(p);
  char kept[64] = {};
  GetPrivateProfileStringA("User", "MyName", "", kept, sizeof kept, userIniPath().c_str());
  CHECK(std::string(kept) == Names[4], "kept: %s", kept);
  DeleteFileA(userIniPath().c_str());
}

}  // namespace gui

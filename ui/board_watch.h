#pragma once
// The board's folder watched while automatic refresh is on. A change there (a save by another PC, of
// ours or an older one: Windows servers and Samba send change notifications over SMB) asks the share
// worker for the timer's look after a spread, so a row written elsewhere shows within seconds, and the
// PCs told of one change at the same instant do not all look at once. The refresh timer stays as the
// fallback where no notification comes.
#include <windows.h>

#include <mutex>

namespace ui {

struct Watch;

// The main window's watch: the running one's thread and folder. Going, it ends the watch.
struct BoardWatch {
  BoardWatch() = default;
  BoardWatch(const BoardWatch&) = delete;
  BoardWatch& operator=(const BoardWatch&) = delete;
  ~BoardWatch();

  std::mutex guard;
  Watch* current = nullptr;  // the running watch's, guarded; null when none runs
  char folder[MAX_PATH] = {};
};

// The watch on the board's folder that mainWindow owns (kept in the main window's state, main_window.cpp);
// nullptr for no window (the first-run flow).
BoardWatch* boardWatchOf(HWND mainWindow);

// The spread after a change: the look comes within this, plus its own round trips.
constexpr unsigned WatchSpreadMs = 2000;

// Watches the folder of boardPath (NUL-terminated, as the preferences hold it), in place of any
// folder watched before.
void watchBoardFolder(BoardWatch& watch, const char* boardPath);
// A new board path: the watch moves to its folder, if one runs.
void followBoardFolder(BoardWatch& watch, const char* boardPath);
void stopBoardWatch(BoardWatch& watch);

}  // namespace ui

#include "ui/board_watch.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <mutex>

#include "text/bounded.h"
#include "text/waits.h"
#include "ui/share_worker.h"

namespace ui {

// One watch: its folder and the event that ends it. The thread owns it and frees it when it ends, so
// a watch stuck on a share that stopped answering is let go without waiting for it.
struct Watch {
  char folder[MAX_PATH];
  HANDLE stop;
};

namespace {

DWORD WINAPI watchMain(void* parameter) {
  Watch* watch = static_cast<Watch*>(parameter);
  text::seedSpread(0);
  const DWORD what = FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_FILE_NAME;
  HANDLE change = FindFirstChangeNotificationA(watch->folder, FALSE, what);
  if (change != INVALID_HANDLE_VALUE) {
    HANDLE both[2] = {watch->stop, change};
    // Armed again before the spread: a change that comes meanwhile is seen by this look or the next.
    while (WaitForMultipleObjects(2, both, FALSE, INFINITE) == WAIT_OBJECT_0 + 1 &&
           FindNextChangeNotification(change) &&
           WaitForSingleObject(watch->stop, text::spreadMs(WatchSpreadMs)) == WAIT_TIMEOUT) {
      Request look;
      look.job = Job::glance;
      postRequest(look);
    }
    FindCloseChangeNotification(change);
  }
  CloseHandle(watch->stop);
  delete watch;
  return 0;
}

// The board file's folder, its separator kept (a drive's root stays a root); "." for a bare name.
void folderOf(const char* boardPath, char (&out)[MAX_PATH]) {
  const size_t length = std::strlen(boardPath);
  const size_t separator = text::lastSeparator(boardPath, length);
  if (separator == length)
    std::snprintf(out, sizeof out, ".");
  else
    std::snprintf(out, sizeof out, "%.*s", static_cast<int>(separator + 1), boardPath);
}

void stopLocked(BoardWatch& w) {
  if (w.current) SetEvent(w.current->stop);
  w.current = nullptr;
  w.folder[0] = '\0';
}

}  // namespace

BoardWatch::~BoardWatch() { stopBoardWatch(*this); }

void watchBoardFolder(BoardWatch& w, const char* boardPath) {
  char folder[MAX_PATH];
  folderOf(boardPath, folder);
  std::lock_guard<std::mutex> hold(w.guard);
  if (w.current && std::strcmp(folder, w.folder) == 0) return;
  stopLocked(w);
  Watch* watch = new Watch;
  std::memcpy(watch->folder, folder, sizeof folder);
  watch->stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE thread = watch->stop ? CreateThread(nullptr, 0, watchMain, watch, 0, nullptr) : nullptr;
  if (!thread) {
    if (watch->stop) CloseHandle(watch->stop);
    delete watch;
    return;
  }
  CloseHandle(thread);
  w.current = watch;
  std::memcpy(w.folder, folder, sizeof folder);
}

void followBoardFolder(BoardWatch& w, const char* boardPath) {
  bool running;
  {
    std::lock_guard<std::mutex> hold(w.guard);
    running = w.current != nullptr;
  }
  if (running) watchBoardFolder(w, boardPath);
}

void stopBoardWatch(BoardWatch& w) {
  std::lock_guard<std::mutex> hold(w.guard);
  stopLocked(w);
}

}  // namespace ui

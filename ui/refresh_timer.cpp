#include "ui/refresh_timer.h"

#include "text/bounded.h"
#include "text/waits.h"
#include "ui/board_watch.h"
#include "ui/resources/resource.h"
#include "ui/session.h"

namespace ui {

void followRefreshInterval(HWND mainWindow, int minutes) {
  BoardWatch* watch = boardWatchOf(mainWindow);
  if (minutes == 0) {
    KillTimer(mainWindow, IDT_REFRESH);
    if (watch) stopBoardWatch(*watch);
    return;
  }
  SetTimer(mainWindow, IDT_REFRESH, text::timerPeriodMs(minutes), nullptr);
  char board[MAX_PATH];
  text::copyField(board, local().prefs.boardPath);
  if (watch) watchBoardFolder(*watch, board);
}

}  // namespace ui

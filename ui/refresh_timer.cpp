#include "ui/refresh_timer.h"

#include "text/bounded.h"
#include "text/waits.h"
#include "ui/board_watch.h"
#include "ui/resources/resource.h"
#include "ui/session.h"

namespace ui {

void followRefreshInterval(HWND mainWindow, int minutes) {
  if (minutes == 0) {
    KillTimer(mainWindow, IDT_REFRESH);
    stopBoardWatch();
    return;
  }
  SetTimer(mainWindow, IDT_REFRESH, text::timerPeriodMs(minutes), nullptr);
  char board[MAX_PATH];
  text::copyField(board, local().prefs.boardPath);
  watchBoardFolder(board);
}

}  // namespace ui

#include "ui/share_paths.h"

#include <windows.h>

#include "text/bounded.h"
#include "ui/board_watch.h"
#include "ui/session.h"
#include "ui/share_worker.h"
#include "ui/user_settings.h"

namespace ui {

void sharePathsFromPrefs(HWND mainWindow) {
  char board[MAX_PATH];
  text::copyField(board, local().prefs.boardPath);
  if (BoardWatch* watch = boardWatchOf(mainWindow)) followBoardFolder(*watch, board);
  sharePaths(local().prefs.nameListPath, local().prefs.boardPath, savedWriteWithoutLock());
}

}  // namespace ui

#include "ui/share_paths.h"

#include <cstring>

#include "store/share.h"
#include "text/bounded.h"
#include "ui/board_watch.h"
#include "ui/session.h"
#include "ui/share_worker.h"

namespace ui {

// Once the worker runs the share is its own: the paths go to it as a request, in turn with the others.
void sharePathsFromPrefs() {
  char board[MAX_PATH];
  text::copyField(board, local().prefs.boardPath);
  followBoardFolder(board);
  if (shareWorkerEnded()) return store::usePaths(share(), local().prefs.nameListPath, local().prefs.boardPath);
  Request paths;
  paths.job = Job::paths;
  static_assert(sizeof paths.path >= sizeof local().prefs.nameListPath, "a path field fits");
  std::memcpy(paths.path, local().prefs.nameListPath, sizeof local().prefs.nameListPath);
  std::memcpy(paths.boardPath, local().prefs.boardPath, sizeof local().prefs.boardPath);
  postRequest(paths);
}

}  // namespace ui

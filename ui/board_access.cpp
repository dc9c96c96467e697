#include "ui/board_access.h"

#include <commctrl.h>

#include "ui/resources/resource.h"
#include "ui/toolbar.h"

namespace ui {

namespace {

bool busy;
bool closePending;

void showAccessRunning(HWND window, bool running) { enableBoardButtons(GetDlgItem(window, IDC_TOOLBAR), !running); }

}  // namespace

bool boardBusy() { return busy; }

BoardAccess::BoardAccess(HWND mainWindow) : window_(mainWindow), started_(!busy) {
  if (!started_) return;
  busy = true;
  showAccessRunning(window_, true);
}

// The close is posted, not done here: the access's caller still has its own windows to finish with.
BoardAccess::~BoardAccess() {
  if (!started_) return;
  busy = false;
  if (!IsWindow(window_)) return;
  showAccessRunning(window_, false);
  if (closePending) {
    closePending = false;
    PostMessageA(window_, WM_CLOSE, 0, 0);
  }
}

void closeAfterAccess(HWND mainWindow) {
  closePending = true;
  ShowWindow(mainWindow, SW_HIDE);
}

void holdOff() { MessageBeep(0); }

}  // namespace ui

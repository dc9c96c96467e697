#include "ui/commands.h"

#include <shellapi.h>

#include <cstdio>

#include "platform/status.h"
#include "project_page.h"
#include "store/access.h"
#include "store/lock.h"
#include "ui/app.h"
#include "ui/first_run.h"
#include "ui/main_window.h"
#include "ui/resources/resource.h"
#include "ui/simple_dialog.h"

namespace ui {

namespace {

void updateList(HWND window) {
  store::refreshBoard();
  repaintFromImage(window);
}

void showAbout(HWND window) {
  MessageBeep(0);
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ABOUT), window, simpleDialogProc, 0);
}

void openProjectPage(HWND window) {
  char question[128 + sizeof TAVELIN_PAGE];
  std::snprintf(question, sizeof question, "%s\n%s", "作者のWEBページへ接続しますか？", TAVELIN_PAGE);
  if (MessageBoxA(nullptr, question, "タベリン 最新情報", MB_ICONQUESTION | MB_YESNO) != IDYES) return;
  ShellExecuteA(window, nullptr, TAVELIN_PAGE, nullptr, nullptr, SW_SHOWNORMAL);
}

// Any client may do it: the lock of a crashed PC otherwise blocks every write on the board.
void resetLockAfterAsking(HWND window) {
  if (MessageBoxA(window, "排他制御ファイルをリセットしてよろしいですか？", "管理者用コマンド",
                  MB_ICONQUESTION | MB_YESNO) != IDYES)
    return;
  store::resetLock();
  status::beep();
}

}  // namespace

void runCommand(HWND window, int id) {
  switch (id) {
    case IDM_UPDATE_LIST: updateList(window); break;
    case IDM_SETTINGS: runSettingsCommand(window); break;
    // Exit is closing the window: the same widths saved, the same end.
    case IDM_EXIT: SendMessageA(window, WM_CLOSE, 0, 0); break;
    case IDM_ABOUT: showAbout(window); break;
    case IDM_LATEST_INFO: openProjectPage(window); break;
    case IDM_RESET_LOCK: resetLockAfterAsking(window); break;
    default: break;
  }
}

}  // namespace ui

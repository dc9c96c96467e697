#include "ui/commands.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "project_page.h"
#include "store/lock.h"
#include "store/row_words.h"
#include "ui/csv_export.h"
#include "ui/dialog_place.h"
#include "ui/find_box.h"
#include "ui/first_run.h"
#include "ui/identity.h"
#include "ui/lock_question.h"
#include "ui/member_list.h"
#include "ui/my_state.h"
#include "ui/resources/resource.h"
#include "ui/share_worker.h"
#include "ui/simple_dialog.h"

namespace ui {

namespace {

// A build without a page address names none and offers none.
constexpr bool HasProjectPage = sizeof TAVELIN_PAGE > 1;

void holdOff() { MessageBeep(0); }

void updateList(HWND) {
  Request update;
  update.job = Job::update;
  if (!postRequest(update)) holdOff();
}

void showAbout(HWND window) {
  MessageBeep(0);
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ABOUT), window, simpleDialogProc, 0);
}

void openProjectPage(HWND window) {
  if (!HasProjectPage) return;
  char question[128 + sizeof TAVELIN_PAGE];
  std::snprintf(question, sizeof question, "%s\n%s", "作者のWEBページへ接続しますか？", TAVELIN_PAGE);
  if (messageBoxOver(window, question, "タベリン 最新情報", MB_ICONQUESTION | MB_YESNO) != IDYES) return;
  ShellExecuteA(window, nullptr, TAVELIN_PAGE, nullptr, nullptr, SW_SHOWNORMAL);
}

// Any client may do it: the lock of a crashed PC otherwise blocks every write on the board. The
// worker reads the lock as it stands first (its holder's name and its age, without taking it); the
// question comes with its answer.
void resetLockAfterAsking(HWND window) {
  Request look;
  look.job = Job::lockState;
  look.replyTo = window;
  if (!postRequest(look)) holdOff();
}

using Command = void (*)(HWND);

Command commandFor(int id) {
  switch (id) {
    case IDM_UPDATE_LIST: return updateList;
    case IDM_EXPORT_CSV: return exportCsv;
    case IDM_SETTINGS: return runSettingsCommand;
    case IDM_ABOUT: return showAbout;
    case IDM_LATEST_INFO: return openProjectPage;
    case IDM_RESET_LOCK: return resetLockAfterAsking;
    default: return nullptr;
  }
}

}  // namespace

// What changes only the view, never the share: taken during an access too.
Command viewCommandFor(int id) {
  switch (id) {
    case IDM_FIND: return focusFindBox;
    case IDM_FIND_CLEAR: return clearFindBox;
    default: return nullptr;
  }
}

void runCommand(HWND window, int id) {
  // Exit is closing the window: the same widths saved, the same end, the same wait for an access.
  if (id == IDM_EXIT) {
    SendMessageA(window, WM_CLOSE, 0, 0);
    return;
  }
  if (const Command view = viewCommandFor(id)) return view(window);
  const Command command = commandFor(id);
  const store::State mine = stateOfCommand(id);
  if (!command && mine == store::State::none) return;
  if (shareBusy()) return holdOff();
  if (command)
    command(window);
  else
    setMyState(window, mine);
}

// The board is read again after, so the list shows what the lock held up; the reset's outcome stays
// in view.
void askToResetLock(HWND window) {
  const store::LockState lock = answeredLockState();
  if (!lock.present) {
    messageBoxOver(window, "排他制御ファイルはありません。リセットの必要はありません。", "管理者用コマンド",
                   MB_ICONINFORMATION | MB_OK);
    return;
  }
  char question[1536];
  formatResetQuestion({lock.present, lock.holder, lock.holderLength, lock.aged, lock.ageSeconds}, question,
                      sizeof question);
  // いいえ by default: Enter alone must not remove a lock a working PC may hold.
  if (messageBoxOver(window, question, "管理者用コマンド", MB_ICONQUESTION | MB_YESNO | MB_DEFBUTTON2) != IDYES) return;
  Request reset;
  reset.job = Job::resetLock;
  if (!postRequest(reset)) holdOff();
}

void updateMenu(HWND window) {
  HMENU menu = GetMenu(window);
  if (!menu) return;
  const UINT state = MF_BYCOMMAND | (shareBusy() ? MF_GRAYED : MF_ENABLED);
  const int heldOff[] = {IDM_UPDATE_LIST, IDM_EXPORT_CSV, IDM_SETTINGS, IDM_ABOUT, IDM_RESET_LOCK};
  for (int id : heldOff) EnableMenuItem(menu, id, state);
  const UINT mine = ownSlot() >= 0 ? state : MF_BYCOMMAND | MF_GRAYED;
  const int myStates[] = {IDM_MY_OFFICE, IDM_MY_HOME, IDM_MY_OUT_RETURNING, IDM_MY_OUT_GOING_HOME};
  for (int id : myStates) EnableMenuItem(menu, id, mine);
  EnableMenuItem(menu, IDM_LATEST_INFO, HasProjectPage ? state : MF_BYCOMMAND | MF_GRAYED);
}

}  // namespace ui

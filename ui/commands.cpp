#include "ui/commands.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "project_page.h"
#include "store/lock.h"
#include "store/row_copy.h"
#include "store/row_words.h"
#include "ui/board_view.h"
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

// My row emptied as the entry dialog's OK with four empty fields does, its time too, once the member
// says yes; written against the row as shown, so a change another PC made meanwhile is not undone.
void clearMyRow(HWND window) {
  const int slot = ownSlot(GetDlgItem(window, IDC_MEMBER_LIST));
  if (slot < 0) return holdOff();
  if (messageBoxOver(window, "自分の行の予定と状態をすべて消去しますか？", "予定を消去",
                     MB_ICONQUESTION | MB_YESNO | MB_DEFBUTTON2) != IDYES)
    return;
  Request clear;
  clear.job = Job::writeRow;
  clear.replyTo = window;
  clear.slot = slot;
  store::copyRow(boardView().board, slot, clear.seen);
  if (!postRequest(clear)) holdOff();
}

// Exit is closing the window: the same widths saved, the same end, the same wait for an access.
void exitProgram(HWND window) { SendMessageA(window, WM_CLOSE, 0, 0); }

constexpr store::State None = store::State::none;
constexpr BYTE Ctrl = FCONTROL;

const Command Commands[] = {
    {IDM_UPDATE_LIST, "リストのアップデート", VK_F5, 0, 0, When::idle, updateList, None},
    {IDM_MY_OFFICE, nullptr, '1', Ctrl, 4, When::idleMine, nullptr, store::State::office},
    {IDM_MY_HOME, nullptr, '2', Ctrl, 5, When::idleMine, nullptr, store::State::home},
    {IDM_MY_OUT_RETURNING, nullptr, '3', Ctrl, 6, When::idleMine, nullptr, store::State::outReturning},
    {IDM_MY_OUT_GOING_HOME, nullptr, '4', Ctrl, 7, When::idleMine, nullptr, store::State::outGoingHome},
    {IDM_CLEAR_MINE, nullptr, 0, 0, -1, When::idleMine, clearMyRow, None},
    {IDM_EXPORT_CSV, nullptr, 0, 0, -1, When::idle, exportCsv, None},
    {IDM_SETTINGS, nullptr, 0, 0, -1, When::idle, runSettingsCommand, None},
    {IDM_EXIT, nullptr, 0, 0, -1, When::always, exitProgram, None},
    {IDM_FIND, nullptr, 'F', Ctrl, -1, When::always, focusFindBox, None},
    {IDM_FIND_CLEAR, nullptr, VK_ESCAPE, 0, -1, When::always, clearFindBox, None},
    {IDM_ABOUT, nullptr, 0, 0, -1, When::idle, showAbout, None},
    {IDM_RESET_LOCK, nullptr, 0, 0, -1, When::idle, resetLockAfterAsking, None},
    {IDM_LATEST_INFO, nullptr, 0, 0, -1, When::idlePage, openProjectPage, None},
};
constexpr int CommandCount = sizeof Commands / sizeof Commands[0];

// "F5", "Ctrl+1", "Esc", as the menu shows a key.
void keyText(const Command& c, char* out, size_t size) {
  char key[8];
  if (c.key >= VK_F1 && c.key <= VK_F12)
    std::snprintf(key, sizeof key, "F%d", c.key - VK_F1 + 1);
  else if (c.key == VK_ESCAPE)
    std::snprintf(key, sizeof key, "Esc");
  else
    std::snprintf(key, sizeof key, "%c", static_cast<char>(c.key));
  std::snprintf(out, size, "%s%s", (c.keyFlags & FCONTROL) ? "Ctrl+" : "", key);
}

}  // namespace

const Command* commands(int& count) {
  count = CommandCount;
  return Commands;
}

const Command* commandOf(int id) {
  for (const Command& c : Commands)
    if (c.id == id) return &c;
  return nullptr;
}

bool commandEnabled(HWND, const Command& c) {
  switch (c.when) {
    case When::always: return true;
    case When::idle: return !shareBusy();
    // Without my name the menu's items and their keys stay on, to say how to choose it; the toolbar
    // greys its buttons and their tip says why.
    case When::idleMine: return !shareBusy();
    case When::idlePage: return !shareBusy() && HasProjectPage;
  }
  return false;
}

void runCommand(HWND window, int id) {
  const Command* c = commandOf(id);
  if (!c) return;
  if (c->when != When::always && shareBusy()) return holdOff();
  if (c->run)
    c->run(window);
  else
    setMyState(window, c->state);
}

HACCEL createAccelerators() {
  ACCEL keys[CommandCount];
  int count = 0;
  for (const Command& c : Commands)
    if (c.key) keys[count++] = {static_cast<BYTE>(FVIRTKEY | c.keyFlags), c.key, static_cast<WORD>(c.id)};
  return CreateAcceleratorTableA(keys, count);
}

void commandTip(const Command& c, char* out, size_t size) {
  char key[16] = "";
  if (c.key) keyText(c, key, sizeof key);
  const char* keyOpen = c.key ? " (" : "";
  const char* keyClose = c.key ? ")" : "";
  if (c.state == None) {
    std::snprintf(out, size, "%s%s%s%s", c.name ? c.name : "", keyOpen, key, keyClose);
    return;
  }
  // The state that asks for a return time says so.
  const char* asks = c.state == store::ReturningState ? "、帰社予定を入力" : "";
  std::snprintf(out, size, "自分の状態を「%s」に%s%s%s%s", store::stateText(c.state), asks, keyOpen, key, keyClose);
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
  for (const Command& c : Commands)
    EnableMenuItem(menu, c.id, MF_BYCOMMAND | (commandEnabled(window, c) ? MF_ENABLED : MF_GRAYED));
}

}  // namespace ui

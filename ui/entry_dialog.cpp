// Dialog 133: one member's plans, return time and state; OK writes that row to the shared board.
#include "ui/entry_dialog.h"

#include <cstdio>
#include <cstring>

#include "settings/history.h"
#include "store/access.h"
#include "store/board.h"
#include "text/bounded.h"
#include "text/cp932.h"
#include "text/fold.h"
#include "text/timestamps.h"
#include "ui/app.h"
#include "ui/member_list.h"
#include "ui/resources/resource.h"

namespace ui {

namespace {

// What the dialog is about, passed through DialogBoxParam and kept in DWLP_USER.
struct EntryTarget {
  int slot;
  HWND list;
};

const EntryTarget& targetOf(HWND dialog) {
  return *reinterpret_cast<const EntryTarget*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

// The limits of GetDlgItemTextA, NUL included, from the board's field table.
constexpr int limitOf(store::Field f) { return static_cast<int>(store::fieldInfo(f).inputLimit) + 1; }
constexpr int PlanLimit = limitOf(store::Field::morning);
constexpr int ReturnTimeLimit = limitOf(store::Field::returnTime);
constexpr int StateLimit = limitOf(store::Field::state);
static_assert(limitOf(store::Field::afternoon) == PlanLimit, "both plans take the same text");

const char* const States[] = {"社内", "帰宅", "外出・戻り", "外出・直帰"};
constexpr int FirstHour = 6;
constexpr int LastHour = 24;

void insertAt(HWND dialog, int id, int position, const char* text) {
  SendDlgItemMessageA(dialog, id, CB_INSERTSTRING, position, reinterpret_cast<LPARAM>(text));
}

void showField(HWND dialog, int slot, int id, store::Field field) {
  char text[store::WrittenSize + 1];
  store::fieldText(slot, field, text, sizeof text);
  SetDlgItemTextA(dialog, id, text);
}

void showCaption(HWND dialog, int slot) {
  char name[store::NameSize + 1];
  text::copyField(name, sizeof name, store::displayNames[slot], store::NameSize);
  char caption[store::NameSize + 64];
  std::snprintf(caption, sizeof caption, "%s の行動予定の変更", name);
  SetDlgItemTextA(dialog, IDC_ENTRY_GROUP, caption);
}

void fillChoices(HWND dialog) {
  int position = 0;
  for (const char* state : States) insertAt(dialog, IDC_STATE, position++, state);
  for (int hour = FirstHour; hour <= LastHour; ++hour) {
    char time[8];
    std::snprintf(time, sizeof time, "%02d:00", hour);
    insertAt(dialog, IDC_RETURN_TIME, hour - FirstHour, time);
  }
  // Explicit positions keep the history's newest-first order although the plan boxes sort.
  position = 0;
  for (int slot = 0; slot < settings::HistorySlots; ++slot) {
    char plan[settings::HistoryTextSize + 1];
    settings::historyText(slot, plan);
    if (!plan[0]) continue;
    insertAt(dialog, IDC_MORNING, position, plan);
    insertAt(dialog, IDC_AFTERNOON, position, plan);
    ++position;
  }
}

BOOL onInitDialog(HWND dialog, LPARAM target) {
  SetWindowLongPtrA(dialog, DWLP_USER, target);
  const int slot = targetOf(dialog).slot;
  store::refreshBoard();
  showCaption(dialog, slot);
  showField(dialog, slot, IDC_MORNING, store::Field::morning);
  showField(dialog, slot, IDC_AFTERNOON, store::Field::afternoon);
  showField(dialog, slot, IDC_RETURN_TIME, store::Field::returnTime);
  showField(dialog, slot, IDC_STATE, store::Field::state);
  fillChoices(dialog);
  return TRUE;
}

// A text cut at the limit may end in half a double-byte character; that half would show as garbage
// on every PC, so it goes.
void dropSplitCharacter(char* text) { text[text::wholeCharacterLength(text, std::strlen(text))] = '\0'; }

void readField(HWND dialog, int id, char* out, int limit) {
  out[0] = '\0';
  GetDlgItemTextA(dialog, id, out, limit);
  dropSplitCharacter(out);
}

void onOk(HWND dialog) {
  const EntryTarget& target = targetOf(dialog);
  char morning[PlanLimit], afternoon[PlanLimit], returnTime[ReturnTimeLimit], state[StateLimit];
  readField(dialog, IDC_MORNING, morning, PlanLimit);
  readField(dialog, IDC_AFTERNOON, afternoon, PlanLimit);
  readField(dialog, IDC_RETURN_TIME, returnTime, ReturnTimeLimit);
  readField(dialog, IDC_STATE, state, StateLimit);
  char written[text::WrittenAtSize] = "";
  if (morning[0] || afternoon[0] || returnTime[0] || state[0]) {
    text::formatWrittenAt(written);
    text::foldFullWidth(returnTime);
    settings::addToHistory(morning);
    settings::addToHistory(afternoon);
  }
  store::writeRow(target.slot, {morning, afternoon, state, returnTime, written});
  refreshMemberList(target.list);
  EndDialog(dialog, IDOK);
}

INT_PTR onCommand(HWND dialog, int id) {
  switch (id) {
    case IDOK: onOk(dialog); return TRUE;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
    default: return FALSE;
  }
}

INT_PTR CALLBACK entryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return onInitDialog(dialog, lParam);
    case WM_COMMAND: return onCommand(dialog, LOWORD(wParam));
    default: return FALSE;
  }
}

}  // namespace

void openEntryDialog(HWND owner, HWND list, int slot) {
  if (slot < 0 || slot >= store::MaxMembers) return;
  EntryTarget target = {slot, list};
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ENTRY), owner, entryDialogProc, reinterpret_cast<LPARAM>(&target));
}

}  // namespace ui

// Dialog 150: a row changed by another PC since the entry dialog opened, and the question what to do.
#include "ui/row_changed_dialog.h"

#include <cstdio>

#include "store/board.h"
#include "text/bounded.h"
#include "ui/board_view.h"
#include "ui/dialog_place.h"
#include "ui/identity.h"
#include "ui/resources/resource.h"
#include "ui/wrap_text.h"

namespace ui {

namespace {

void showField(HWND dialog, int id, int slot, store::Field field) {
  char text[store::WrittenSize + 1];
  store::fieldTextOf(boardView().board, slot, field, text, sizeof text);
  SetDlgItemTextA(dialog, id, text);
}

// Who and when: the other PC's time is what tells the user how fresh their change is.
void showIntro(HWND dialog, int slot) {
  char name[store::NameSize + 1], written[store::WrittenSize + 1];
  text::copyField(name, sizeof name, boardView().displayNames[slot], store::NameSize);
  store::fieldTextOf(boardView().board, slot, store::Field::writtenAt, written, sizeof written);
  char intro[store::NameSize + store::WrittenSize + 128];
  std::snprintf(intro, sizeof intro, "%s の行は、入力を始めた後にほかのPCで変更されました（%s）。", name,
                written[0] ? written : "時刻なし");
  SetDlgItemTextA(dialog, IDC_CHANGED_INTRO, intro);
}

BOOL onInitDialog(HWND dialog, int slot) {
  wrapDialogTexts(dialog);
  centreDialog(dialog);
  showIntro(dialog, slot);
  showField(dialog, IDC_CHANGED_MORNING, slot, store::Field::morning);
  showField(dialog, IDC_CHANGED_AFTERNOON, slot, store::Field::afternoon);
  showField(dialog, IDC_CHANGED_RETURN, slot, store::Field::returnTime);
  showField(dialog, IDC_CHANGED_STATE, slot, store::Field::state);
  // Enter right away goes back rather than writes over someone's change.
  SetFocus(GetDlgItem(dialog, IDCANCEL));
  return FALSE;
}

// 戻る is the dialog's Cancel, so Esc and the close box go back too.
INT_PTR onCommand(HWND dialog, int id) {
  if (id != IDC_OVERWRITE && id != IDCANCEL) return FALSE;
  EndDialog(dialog, id);
  return TRUE;
}

INT_PTR CALLBACK rowChangedProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return onInitDialog(dialog, static_cast<int>(lParam));
    case WM_COMMAND: return onCommand(dialog, LOWORD(wParam));
    default: return FALSE;
  }
}

}  // namespace

bool askToOverwrite(HWND owner, int slot) {
  if (slot < 0 || slot >= store::MaxMembers) return false;
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ROW_CHANGED), owner, rowChangedProc, slot) == IDC_OVERWRITE;
}

}  // namespace ui

// Dialog 151: the one question of "外出・戻り" from the 自分の状態 menu and toolbar: when back.
#include "ui/return_time_dialog.h"

#include <cstdio>
#include <cstring>

#include "text/bounded.h"
#include "text/fold.h"
#include "ui/dialog_place.h"
#include "ui/identity.h"
#include "ui/resources/resource.h"
#include "ui/too_long.h"
#include "ui/wrap_text.h"

namespace ui {

namespace {

constexpr int FirstHour = 6;
constexpr int LastHour = 24;
// Room to read more than fits, so a text too long is measured rather than cut.
constexpr size_t TypedSize = 256;

struct Asked {
  const char* current;
  char* out;
};

BOOL onInitDialog(HWND dialog, LPARAM asked) {
  SetWindowLongPtrA(dialog, DWLP_USER, asked);
  wrapDialogTexts(dialog);
  centreDialog(dialog);
  fillReturnTimes(dialog, IDC_MY_RETURN);
  SetDlgItemTextA(dialog, IDC_MY_RETURN, reinterpret_cast<const Asked*>(asked)->current);
  return TRUE;
}

// Folded and trimmed first, as the board keeps it: " １７：３０" is five bytes, not eleven.
void onOk(HWND dialog) {
  char typed[TypedSize] = "";
  GetDlgItemTextA(dialog, IDC_MY_RETURN, typed, sizeof typed);
  text::foldFullWidth(typed);
  text::trimSpaces(typed);
  const size_t length = std::strlen(typed), limit = store::fieldInfo(store::Field::returnTime).inputLimit;
  if (length > limit) {
    char note[256];
    formatTooLong("帰社予定", length, limit, note, sizeof note);
    SetDlgItemTextA(dialog, IDC_MY_RETURN_NOTE, note);
    MessageBeep(0);
    return;
  }
  const Asked& asked = *reinterpret_cast<const Asked*>(GetWindowLongPtrA(dialog, DWLP_USER));
  text::storeText(asked.out, store::ReturnTimeSize, typed);
  EndDialog(dialog, IDOK);
}

INT_PTR onCommand(HWND dialog, int id) {
  switch (id) {
    case IDOK: onOk(dialog); return TRUE;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
    default: return FALSE;
  }
}

INT_PTR CALLBACK returnTimeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return onInitDialog(dialog, lParam);
    case WM_COMMAND: return onCommand(dialog, LOWORD(wParam));
    default: return FALSE;
  }
}

}  // namespace

void fillReturnTimes(HWND dialog, int comboId) {
  for (int hour = FirstHour; hour <= LastHour; ++hour) {
    char time[8];
    std::snprintf(time, sizeof time, "%02d:00", hour);
    SendDlgItemMessageA(dialog, comboId, CB_INSERTSTRING, hour - FirstHour, reinterpret_cast<LPARAM>(time));
  }
}

bool askReturnTime(HWND owner, const char* current, char (&out)[store::ReturnTimeSize]) {
  Asked asked = {current, out};
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_RETURN_TIME), owner, returnTimeProc,
                         reinterpret_cast<LPARAM>(&asked)) == IDOK;
}

}  // namespace ui

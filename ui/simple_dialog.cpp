// Dialogs that only show their template: the restart notice and About.
#include "ui/simple_dialog.h"

#include "ui/dialog_place.h"
#include "ui/wrap_text.h"

namespace ui {

INT_PTR CALLBACK simpleDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      wrapDialogTexts(dialog);
      centreDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 1);
      return TRUE;
    default: return FALSE;
  }
}

}  // namespace ui

#pragma once
// Where a dialog opens: over the window it belongs to, not at the screen's or the window's corner.
#include <windows.h>

namespace ui {

// At WM_INITDIALOG: centred on the owner window (on the monitor's work area when it has none).
void centreDialog(HWND dialog);
// At WM_INITDIALOG: just below the list's focused row, so the row stays in sight; centred when no row is.
void placeDialogByRow(HWND dialog, HWND list);

// While it lives, the next window this thread activates (a system dialog: a message box, the save
// dialog) is centred on its owner as it opens; owner nullptr leaves it where it opens.
class CentreNextDialog {
 public:
  explicit CentreNextDialog(HWND owner);
  ~CentreNextDialog();
  CentreNextDialog(const CentreNextDialog&) = delete;
  CentreNextDialog& operator=(const CentreNextDialog&) = delete;
};

// MessageBoxA, the box centred on owner rather than on the screen.
int messageBoxOver(HWND owner, const char* text, const char* caption, UINT flags);

}  // namespace ui

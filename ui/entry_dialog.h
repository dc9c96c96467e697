#pragma once
#include <windows.h>

namespace ui {

// Dialog 133 for one member's row, owned by the main window. On OK the row is written to the board and
// the list shows the new image before the dialog goes.
void openEntryDialog(HWND owner, HWND list, int slot);

}  // namespace ui

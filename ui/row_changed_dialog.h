#pragma once
#include <windows.h>

namespace ui {

// Another PC changed the member's row while it was being edited here: shows that row as the board
// image now holds it, with its time, and asks. True for 上書き (write anyway), false for 戻る.
bool askToOverwrite(HWND owner, int slot);

}  // namespace ui

#pragma once
#include <windows.h>

#include "store/board.h"

namespace ui {

// The hours offered as return times, 06:00 to 24:00, into a combo box of the dialog.
void fillReturnTimes(HWND dialog, int comboId);

// Dialog 151: the return time for "外出・戻り" in one click, starting from current. False on Cancel;
// otherwise the time, folded to ASCII as the board keeps it, is in out.
bool askReturnTime(HWND owner, const char* current, char (&out)[store::ReturnTimeSize]);

}  // namespace ui

#pragma once
#include <windows.h>

namespace ui {

// WM_COMMAND from the menu or the toolbar; ids without a command here do nothing.
void runCommand(HWND window, int id);

}  // namespace ui

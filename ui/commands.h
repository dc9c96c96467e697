#pragma once
#include <windows.h>

namespace ui {

// WM_COMMAND from the menu or the toolbar; ids without a command here do nothing. During an access
// only Exit is taken (it waits for the access); the others are held off.
void runCommand(HWND window, int id);
// The lock's state the worker read for the reset: the question, and on yes the reset.
void askToResetLock(HWND window);
// The menu as things stand: commands greyed during an access, the latest information without a page.
void updateMenu(HWND window);

}  // namespace ui

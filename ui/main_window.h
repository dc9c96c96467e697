#pragma once
// The main window: toolbar, member list and status bar, and the handlers of its messages.
#include <windows.h>

namespace ui {

// Registers the class and creates the window where the preferences put it, hidden and sized for the
// DPI of its monitor; nullptr on failure. Its destruction, on every road out of the program, posts
// the quit. Made, it starts the share's worker, which loads the name list and the board.
HWND createMainWindow();

}  // namespace ui

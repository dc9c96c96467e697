#pragma once
// The main window's refresh timer, on its own so that the settings dialog can move it without knowing
// the window's other parts.
#include <windows.h>

namespace ui {

// The timer every `minutes` (with the spread) and the watch on the board's folder; neither for 0.
void followRefreshInterval(HWND mainWindow, int minutes);

}  // namespace ui

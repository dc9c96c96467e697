#pragma once
#include <windows.h>

namespace ui {

// Dialog 127 over the live preferences, owned by mainWindow: ends with 1 after 設定, 0 after Cancel and
// -1 when it cannot open. The main window's refresh timer and folder watch follow the settings; it is
// nullptr before there is one.
INT_PTR runSettingsDialog(HWND mainWindow);

}  // namespace ui

#pragma once
#include <windows.h>

namespace ui {

// With no preferences yet, before any window: the settings, owned by no window, and the restart notice
// after 設定. The preferences are saved at the end only when 設定 was pressed.
void runFirstRunFlow();

// The settings from the menu: settings, the restart notice, then the main window goes and with it the
// program, whatever was pressed (the name list is read only at start-up). The column widths are not read
// back on this road.
void runSettingsCommand(HWND mainWindow);

}  // namespace ui

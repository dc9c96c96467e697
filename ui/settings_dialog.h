#pragma once
#include <windows.h>

namespace ui {

// Dialog 127 over the live preferences: ends with 1 after 設定 and 0 after Cancel. Its parameter is the
// main window, whose refresh timer then follows the interval, or nullptr before there is one.
INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace ui

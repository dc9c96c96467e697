#pragma once
#include <windows.h>

namespace ui {

// Dialog 127 over the live preferences: ends with 1 after 設定 and 0 after Cancel.
INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace ui

#pragma once
#include <windows.h>

namespace ui {

// The restart notice (131) and About (115): OK or Cancel ends the dialog with 1.
INT_PTR CALLBACK simpleDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace ui

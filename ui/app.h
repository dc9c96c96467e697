#pragma once
// Process-wide window state of the program and the main window's handlers that live in app.cpp.
#include <windows.h>

#include "version.h"

namespace ui {

constexpr char ClassName[] = "Tavelin";
constexpr char Title[] = TAVELIN_TITLE;

extern HINSTANCE instance;
extern HWND mainWindow;
extern HWND toolbar;
// The main window's restored screen rectangle as last seen; zero until the window has one.
extern RECT windowRect;

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// WM_MOVE: remembers the rectangle unless the window is minimised or maximised.
void captureWindowRect(HWND window);

}  // namespace ui

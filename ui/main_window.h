#pragma once
// The main window: toolbar, member list and status bar, and the handlers of its messages.
#include <windows.h>

namespace ui {

// Registers the class and creates the window where the preferences put it, hidden; nullptr on failure.
// Its destruction, on every road out of the program, posts the quit.
HWND createMainWindow();

// The refresh timer as the preferences set it: every refreshMinutes, none for 0.
void followRefreshInterval(HWND window);
// The whole window invalidated; its paint copies the board image into the list without touching the share.
void repaintFromImage(HWND window);

}  // namespace ui

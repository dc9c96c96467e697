#pragma once
// The main window: toolbar, member list and status bar, and the handlers of its messages.
#include <windows.h>

namespace ui {

// Registers the class and creates the window where the preferences put it, hidden and sized for the
// DPI of its monitor; nullptr on failure. Its destruction, on every road out of the program, posts
// the quit. Shown, it loads the name list and the board (posted, so the window is seen first).
HWND createMainWindow();

// The refresh timer as the preferences set it: every refreshMinutes, none for 0.
void followRefreshInterval(HWND window);
// The whole window invalidated; its paint copies the board image into the list without touching the share.
void repaintFromImage(HWND window);
// The list update: the name list again when it changed or none is loaded, then the board; the caller
// holds the access.
void updateMembersAndBoard(HWND window);

}  // namespace ui

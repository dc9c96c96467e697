#pragma once
// The status bar: part 0 is the core's status line, part 1 the time of the last board access.
#include <windows.h>

namespace ui {

// The bar at the bottom of parent; from now on the status line writes to it.
HWND createStatusBar(HWND parent);
// Two parts at half and full width, along the bottom of a client area width x height; its height.
int layOutStatusBar(HWND bar, int width, int height);
// Part 1: the time of the last board access.
void showStatusInfo(HWND bar);
// The name list could not be opened: the shared files are not where the settings say.
void reportNoServer();

}  // namespace ui

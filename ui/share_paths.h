#pragma once
// The preferences' two paths handed to whatever works on the share: the worker (in turn with its
// other requests) and the folder watch. Beside both, so that neither includes the other.
#include <windows.h>

namespace ui {

// At start, and whenever the settings change them; the watch is mainWindow's, none without a window.
void sharePathsFromPrefs(HWND mainWindow);

}  // namespace ui

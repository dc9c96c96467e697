#pragma once
#include <windows.h>

namespace ui {

// The one-button toolbar of the list update, flat, with its tooltip.
HWND createToolbar(HWND window);
// WM_NOTIFY: supplies the tooltip text; other notifications are not ours.
void onToolbarNotify(LPARAM lParam);

}  // namespace ui

#pragma once
#include <windows.h>

namespace ui {

// The one-button toolbar of the list update, flat, with its tooltip, along the top of parent.
HWND createToolbar(HWND parent);
// Fitted to the parent's width; its height, which the list starts below.
int layOutToolbar(HWND bar);
// TTN_NEEDTEXTA asks for a button's tooltip; other notifications are not the toolbar's.
void supplyToolTip(NMHDR* header);

}  // namespace ui

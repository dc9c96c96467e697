#pragma once
#include <windows.h>

namespace ui {

// The toolbar along the top of parent: the list update and the 自分の状態 buttons, flat, with their
// tooltips, and the find box; its pictures sized for dpi.
HWND createToolbar(HWND parent, int dpi);
// The buttons that reach the board: the list update, and my state once my row is known.
void enableBoardButtons(HWND bar, bool enabled);
// The pictures again for another DPI.
void rescaleToolbar(HWND bar, int dpi);
// Before the toolbar goes: its pictures are the program's to destroy.
void destroyToolbarImages(HWND bar);
// Fitted to the parent's width; its height, which the list starts below.
int layOutToolbar(HWND bar);
// TTN_NEEDTEXTA asks for a button's tooltip; other notifications are not the toolbar's.
void supplyToolTip(NMHDR* header);

}  // namespace ui

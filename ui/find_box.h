#pragma once
// The find box at the end of the toolbar: what is typed narrows the list to the members whose name or
// texts hold it; Down, Enter and Tab in it move to the first match in the list.
#include <windows.h>

namespace ui {

// The box on the toolbar (its own room among the buttons), sized for dpi.
HWND createFindBox(HWND toolbar, int dpi);
// Placed on its room again after the toolbar was laid out or rescaled.
void layOutFindBox(HWND toolbar, int dpi);
void setFindBoxFont(HWND toolbar, HFONT font);
// Ctrl+F: the box takes the focus with its text selected, to be typed over.
void focusFindBox(HWND window);
// Esc: the box emptied, so every member shows again, and the focus back on the list.
void clearFindBox(HWND window);
// EN_CHANGE: the list follows what is typed.
void followFindBox(HWND window);

}  // namespace ui

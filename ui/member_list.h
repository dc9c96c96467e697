#pragma once
// The list of members: one row per member of the name list, six columns from the board image.
#include <windows.h>

namespace ui {

// The list with its columns, the row icons and one row per member loaded; nullptr if it cannot be made.
HWND createMemberList(HWND parent);
// Columns 1 to 5 of every row from the board image; the names stay as inserted.
void refreshMemberList(HWND list);
void redrawAllRows(HWND list);
// The six column widths back into the preferences.
void saveColumnWidths(HWND list);
// Before the list goes: its image list is destroyed once, here.
void destroyRowIcons(HWND list);

// The row under a context-menu point (screen coordinates, as WM_CONTEXTMENU brings them), or -1.
int rowAt(HWND list, LPARAM screenPoint);
// The row the keyboard acts on (Enter, the context-menu key), or -1; it need not be selected.
int focusedRow(HWND list);

}  // namespace ui

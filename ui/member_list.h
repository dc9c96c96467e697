#pragma once
// The list of members: one row per member of the name list, six columns from the board image.
#include <windows.h>
// After windows.h, whose types it needs.
#include <commctrl.h>

namespace ui {

// The list with its columns and the row icon, sized for dpi, and no rows yet; nullptr if it cannot be made.
HWND createMemberList(HWND parent, int dpi);
// One row per member of the name list as loaded now, the cells from the board image.
void rebuildRows(HWND list);
// Columns 1 to 5 of every row from the board image: the rows whose texts changed are redrawn.
void refreshMemberList(HWND list);
// A cell the list asks for (LVN_GETDISPINFO): the list holds no texts of its own.
void supplyCell(NMLVDISPINFOA* info);
void redrawAllRows(HWND list);
// The six column widths back into the preferences, in 96-DPI units.
void saveColumnWidths(HWND list, int dpi);
// Column widths and the row icon from one DPI to another (the window moved to another monitor).
void rescaleMemberList(HWND list, int fromDpi, int toDpi);
// Before the list goes: its image list is destroyed once, here.
void destroyRowIcons(HWND list);

// The columns' order on screen, as column indexes left to right; false when the list gives none.
constexpr int ColumnCount = 6;
bool columnOrder(HWND list, int (&order)[ColumnCount]);
void setColumnOrder(HWND list, const int (&order)[ColumnCount]);

// The row under a context-menu point (screen coordinates, as WM_CONTEXTMENU brings them), or -1.
int rowAt(HWND list, LPARAM screenPoint);
// The row the keyboard acts on (Enter, the context-menu key), or -1; it need not be selected.
int focusedRow(HWND list);
// The row an entry is opened for: selected and focused, so it stays marked while the dialog is up.
void markRow(HWND list, int row);

}  // namespace ui

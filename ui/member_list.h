#pragma once
// The list of members: one row per member of the name list, its columns from the column table. Rows
// are a view over the slots (found and sorted); every function here that names a member takes or
// gives a slot, never a list row.
#include <windows.h>
// After windows.h, whose types it needs.
#include <commctrl.h>

#include "ui/columns.h"

namespace ui {

// The list with its columns and the state icons, sized for dpi, in box with font, and no rows yet;
// nullptr if it cannot be made.
HWND createMemberList(HWND parent, int dpi, const RECT& box, HFONT font);
// One row per member of the name list as loaded now, the cells from the board image.
void rebuildRows(HWND list);
// Columns 1 to 5 of every row from the board image: the rows whose texts changed are redrawn, and
// the view is found and sorted again.
void refreshMemberList(HWND list);
// A cell the list asks for (LVN_GETDISPINFO): the list holds no texts of its own.
void supplyCell(NMLVDISPINFOA* info);
// NM_CUSTOMDRAW: overdue return times in red, yesterday's rows in grey, my row in bold.
LRESULT drawRow(NMLVCUSTOMDRAW* draw);
// The rows whose overdue or stale flag changed with the clock alone are redrawn.
void redrawChangedFlags(HWND list);
void redrawAllRows(HWND list);
// The column widths back where each is kept (the preferences or tavelin.ini), in 96-DPI units.
void saveColumnWidths(HWND list, int dpi);
// Column widths and the row icons from one DPI to another (the window moved to another monitor).
void rescaleMemberList(HWND list, int fromDpi, int toDpi);
// The list's text, and the bold of my row, in this font (owned by the caller).
void setListFont(HWND list, HFONT font);
// Before the list goes: its image list and what it keeps (its rows, fonts and icons) are destroyed once, here.
void destroyRowIcons(HWND list);

// The columns' order on screen, as column indexes left to right; false when the list gives none.
bool columnOrder(HWND list, int (&order)[ColumnCount]);
void setColumnOrder(HWND list, const int (&order)[ColumnCount]);

// Only the members whose name or texts hold this text (CP932); empty shows everyone.
void findMembers(HWND list, const char* text);
// A header click: sorted by that column, again by it in reverse, a third time back to the name list's
// order. The sorted column is widened to show its whole header beside the arrow.
void sortByColumn(HWND list, int column);
// Whether the preferences hold the widths no one has set yet (a first start).
bool widthsAreDefaults();
// The name, state and time columns as wide as their longest texts in my row's bold, every column at
// least as wide as its header: a first start's widths, once the names are loaded. Wider together than
// room (pixels), the name column gives way first, then the plans.
void fitColumnsToTexts(HWND list, int room);
// The columns' widths added up.
int columnsWidth(HWND list);

// My row, by my name from the name list (empty: none); shown in bold.
void setOwnName(HWND list, const char* name);
// My slot, or -1 when no name is set or it is not on the name list.
int ownSlot(HWND list);
// My row focused and scrolled into view (not selected).
void showOwnRow(HWND list);

// The member under a context-menu point (screen coordinates, as WM_CONTEXTMENU brings them), or -1.
// The point of a right click means the member under it when pressed, before the list scrolled.
int slotAt(HWND list, LPARAM screenPoint);
// The member under the last mouse press, before the list scrolled, or -1: what a double click means.
int pressedSlot(HWND list);
// The member the keyboard acts on (Enter, the context-menu key), or -1; it need not be selected.
int focusedSlot(HWND list);
// The member shown in a list row (a click's item), or -1.
int slotInRow(HWND list, int row);
// The member an entry is opened for: selected and focused, so it stays marked while the dialog is up.
void markSlot(HWND list, int slot);

}  // namespace ui

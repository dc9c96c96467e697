#pragma once
// The body of the main window: the member list, the two-part status bar and the refresh timer.
#include <windows.h>

namespace ui {

extern HWND statusBar;
extern HWND listView;

void onCreate(HWND window);
// Columns 1 to 5 of every row from the board image; the names stay as inserted.
void refreshMemberList();
// The six column widths back into the preferences.
void saveColumnWidths();

void onSize(HWND window, WPARAM sizeType, int width, int height);
void onPaint(HWND window);
void onTimer(HWND window, WPARAM timerId);
void onActivate(HWND window);
void onDestroy();
// A right click: the row under the point becomes store::selectedRow and opens the entry dialog.
void onContextMenu(LPARAM lParam);
// Notifications of the list itself: Enter and double click.
void onListNotify(const NMHDR* header);
// The window's keyboard focus belongs to the list, so arrow keys and Enter act on rows.
void onSetFocus();

}  // namespace ui

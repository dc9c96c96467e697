// The main window procedure: one switch, each message to its handler.
#include "ui/main_window.h"

#include <commctrl.h>

#include "settings/preferences.h"
#include "store/access.h"
#include "store/names.h"
#include "text/waits.h"
#include "ui/app.h"
#include "ui/commands.h"
#include "ui/entry_dialog.h"
#include "ui/member_list.h"
#include "ui/placement.h"
#include "ui/resources/resource.h"
#include "ui/status_bar.h"
#include "ui/toolbar.h"

namespace ui {

namespace {

// The window's restored screen rectangle as last seen; zero until it has one. Saved when it goes.
RECT restoredRect;

HWND listOf(HWND window) { return GetDlgItem(window, IDC_MEMBER_LIST); }
HWND statusBarOf(HWND window) { return GetDlgItem(window, IDC_STATUS_BAR); }
HWND toolbarOf(HWND window) { return GetDlgItem(window, IDC_TOOLBAR); }

// WM_MOVE and WM_SIZE: remembers the rectangle unless the window is minimised or maximised.
void captureWindowRect(HWND window) {
  if (IsIconic(window) || IsZoomed(window)) return;
  GetWindowRect(window, &restoredRect);
}

// A window that never had a restored rectangle leaves the loaded geometry as it was.
void storeGeometry() {
  const RECT& r = restoredRect;
  if (r.right <= r.left || r.bottom <= r.top) return;
  settings::Preferences& p = settings::prefs;
  p.windowWidth.set(r.right - r.left);
  p.windowX.set(r.left);
  p.windowHeight.set(r.bottom - r.top);
  p.windowY.set(r.top);
}

void onCreate(HWND window) {
  createStatusBar(window);
  if (!store::loadNameList()) reportNoServer();
  createMemberList(window);
  createToolbar(window);
  followRefreshInterval(window);
  store::refreshBoard();
}

// The list fills what the toolbar and the status bar leave, whatever heights they have.
void onSize(HWND window, WPARAM sizeType, int width, int height) {
  const int bottom = layOutStatusBar(statusBarOf(window), width, height);
  const int top = layOutToolbar(toolbarOf(window));
  HWND list = listOf(window);
  if (list) {
    const int listHeight = height - top - bottom;
    MoveWindow(list, 0, top, width, listHeight > 0 ? listHeight : 0, FALSE);
    if (sizeType == SIZE_RESTORED || sizeType == SIZE_MAXIMIZED) redrawAllRows(list);
  }
  captureWindowRect(window);
}

// Every repaint shows the image in memory; the share is not touched. A cell whose text is set
// redraws itself, so the rows are not all redrawn each time.
void onPaint(HWND window) {
  PAINTSTRUCT ps;
  BeginPaint(window, &ps);
  refreshMemberList(listOf(window));
  showStatusInfo(statusBarOf(window));
  EndPaint(window, &ps);
}

void onTimer(HWND window, WPARAM timerId) {
  if (timerId != IDT_REFRESH) return;
  // An unchanged board costs the timer one look at its metadata, not a locked read.
  store::refreshIfChanged();
  repaintFromImage(window);
}

void openEntryFor(HWND window, int row) {
  if (row != -1) openEntryDialog(window, listOf(window), row);
}

void onContextMenu(HWND window, LPARAM screenPoint) {
  HWND list = listOf(window);
  if (list) openEntryFor(window, rowAt(list, screenPoint));
}

// Enter and a double click reach the entry dialog too, so the keyboard alone can change a row. Enter,
// like the context-menu key, means the focused row.
void onListNotify(HWND window, const NMHDR* header) {
  switch (header->code) {
    case NM_RETURN: openEntryFor(window, focusedRow(header->hwndFrom)); break;
    case NM_DBLCLK: openEntryFor(window, reinterpret_cast<const NMITEMACTIVATE*>(header)->iItem); break;
    default: break;
  }
}

void onNotify(HWND window, NMHDR* header) {
  if (header->idFrom == IDC_MEMBER_LIST)
    onListNotify(window, header);
  else
    supplyToolTip(header);
}

// The window's keyboard focus belongs to the list, so arrow keys and Enter act on rows.
void onSetFocus(HWND window) {
  HWND list = listOf(window);
  if (list) SetFocus(list);
}

// The title bar's close and Exit: the column widths are kept, unlike on the settings' road.
void onClose(HWND window) {
  saveColumnWidths(listOf(window));
  DestroyWindow(window);
}

// Every road out of a running program passes here; the shutdown after the loop saves the files.
void onDestroy(HWND window) {
  storeGeometry();
  destroyRowIcons(listOf(window));
  PostQuitMessage(0);
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: onCreate(window); return 0;
    case WM_CLOSE: onClose(window); return 0;
    case WM_DESTROY: onDestroy(window); return 0;
    case WM_SIZE: onSize(window, wParam, LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_MOVE: captureWindowRect(window); return 0;
    case WM_PAINT: onPaint(window); return 0;
    case WM_NOTIFY: onNotify(window, reinterpret_cast<NMHDR*>(lParam)); return 0;
    case WM_CONTEXTMENU: onContextMenu(window, lParam); return 0;
    case WM_COMMAND: runCommand(window, LOWORD(wParam)); return 0;
    case WM_TIMER: onTimer(window, wParam); return 0;
    case WM_ACTIVATE: repaintFromImage(window); return 0;
    case WM_SETFOCUS: onSetFocus(window); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

bool registerMainClass() {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = mainWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TAVELIN));
  wc.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TAVELIN));
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszMenuName = MAKEINTRESOURCEA(IDM_MAIN);
  wc.lpszClassName = ClassName;
  return RegisterClassExA(&wc) != 0;
}

}  // namespace

HWND createMainWindow() {
  if (!registerMainClass()) return nullptr;
  const settings::Preferences& p = settings::prefs;
  Box box = {p.windowX.get(), p.windowY.get(), p.windowX.get() + p.windowWidth.get(),
             p.windowY.get() + p.windowHeight.get()};
  box = placeOnAMonitor(box);
  // WS_CLIPCHILDREN: erasing the main window on every activation would otherwise wipe the list,
  // which then redraws all its rows (a flicker and a full list paint for nothing).
  return CreateWindowExA(0, ClassName, Title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, box.left, box.top,
                         box.right - box.left, box.bottom - box.top, nullptr, nullptr, instance, nullptr);
}

void followRefreshInterval(HWND window) {
  const int minutes = settings::prefs.refreshMinutes.get();
  if (minutes == 0)
    KillTimer(window, IDT_REFRESH);
  else
    SetTimer(window, IDT_REFRESH, text::timerPeriodMs(minutes), nullptr);
}

void repaintFromImage(HWND window) { InvalidateRect(window, nullptr, TRUE); }

}  // namespace ui

// The main window procedure: one switch, each message to its handler.
#include <windows.h>

#include "ui/app.h"
#include "ui/commands.h"
#include "ui/member_list.h"
#include "ui/toolbar.h"

namespace ui {

namespace {

void onNotify(LPARAM lParam) {
  const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
  if (header->hwndFrom == listView)
    onListNotify(header);
  else
    onToolbarNotify(lParam);
}

}  // namespace

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: onCreate(window); return 0;
    case WM_DESTROY: onDestroy(); return 0;
    case WM_SIZE: onSize(window, wParam, LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_MOVE: captureWindowRect(window); return 0;
    case WM_PAINT: onPaint(window); return 0;
    case WM_NOTIFY: onNotify(lParam); return 0;
    case WM_CONTEXTMENU: onContextMenu(lParam); return 0;
    case WM_COMMAND: onCommand(window, LOWORD(wParam)); return 0;
    case WM_TIMER: onTimer(window, wParam); return 0;
    case WM_ACTIVATE: onActivate(window); return 0;
    case WM_SETFOCUS: onSetFocus(); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace ui

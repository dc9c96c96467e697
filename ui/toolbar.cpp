#include "ui/toolbar.h"

#include <commctrl.h>

#include "ui/app.h"
#include "ui/resources/resource.h"

namespace ui {

namespace {
char updateTip[] = "リストのアップデート";
char noTip[] = "";
}  // namespace

HWND createToolbar(HWND window) {
  InitCommonControls();
  TBBUTTON buttons[2] = {
      {0, 0, TBSTATE_ENABLED, TBSTYLE_SEP, {0}, 0, 0},
      {0, IDM_UPDATE_LIST, TBSTATE_ENABLED, TBSTYLE_BUTTON, {0}, 0, 0},
  };
  HWND bar = CreateToolbarEx(window, WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS | TBSTYLE_WRAPABLE, IDC_TOOLBAR, 2,
                             instance, IDB_TOOLBAR, buttons, 2, 0, 0, 16, 16, sizeof(TBBUTTON));
  if (!bar) return nullptr;
  SetWindowLongA(bar, GWL_STYLE, GetWindowLongA(bar, GWL_STYLE) | TBSTYLE_FLAT);
  InvalidateRect(bar, nullptr, TRUE);
  return bar;
}

void onToolbarNotify(LPARAM lParam) {
  NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
  if (header->code != TTN_NEEDTEXTA) return;
  NMTTDISPINFOA* info = reinterpret_cast<NMTTDISPINFOA*>(lParam);
  info->lpszText = header->idFrom == IDM_UPDATE_LIST ? updateTip : noTip;
}

}  // namespace ui

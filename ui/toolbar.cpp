#include "ui/toolbar.h"

#include <commctrl.h>

#include "ui/app.h"
#include "ui/resources/resource.h"

namespace ui {

namespace {
// Bitmap 107 is a strip of four 16 x 15 images; the list update shows the first.
constexpr int BitmapImages = 4;
constexpr int ImageWidth = 16;
constexpr int ImageHeight = 15;

char updateTip[] = "リストのアップデート";
char noTip[] = "";
}  // namespace

HWND createToolbar(HWND parent) {
  TBBUTTON buttons[2] = {
      {0, 0, TBSTATE_ENABLED, TBSTYLE_SEP, {0}, 0, 0},
      {0, IDM_UPDATE_LIST, TBSTATE_ENABLED, TBSTYLE_BUTTON, {0}, 0, 0},
  };
  HWND bar =
      CreateToolbarEx(parent, WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS | TBSTYLE_WRAPABLE, IDC_TOOLBAR, BitmapImages,
                      instance, IDB_TOOLBAR, buttons, 2, 0, 0, ImageWidth, ImageHeight, sizeof(TBBUTTON));
  if (!bar) return nullptr;
  SetWindowLongA(bar, GWL_STYLE, GetWindowLongA(bar, GWL_STYLE) | TBSTYLE_FLAT);
  InvalidateRect(bar, nullptr, TRUE);
  return bar;
}

int layOutToolbar(HWND bar) {
  if (!bar) return 0;
  SendMessageA(bar, TB_AUTOSIZE, 0, 0);
  RECT r;
  GetWindowRect(bar, &r);
  return r.bottom - r.top;
}

void supplyToolTip(NMHDR* header) {
  if (header->code != TTN_NEEDTEXTA) return;
  NMTTDISPINFOA* info = reinterpret_cast<NMTTDISPINFOA*>(header);
  info->lpszText = header->idFrom == IDM_UPDATE_LIST ? updateTip : noTip;
}

}  // namespace ui

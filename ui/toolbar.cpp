#include "ui/toolbar.h"

#include <commctrl.h>

#include <cstdio>

#include "store/row_words.h"
#include "ui/dpi.h"
#include "ui/find_box.h"
#include "ui/identity.h"
#include "ui/image_strip.h"
#include "ui/member_list.h"
#include "ui/resources/resource.h"

namespace ui {

namespace {
// Bitmap 107 is a strip of eight 16 x 15 images on a silver face; the list update shows the first,
// the state buttons the last four.
constexpr int BitmapImages = 8;
constexpr int FirstStateImage = 4;
constexpr int ImageWidth = 16;
constexpr int ImageHeight = 15;
constexpr int SeparatorWidth = 8;
// The gaps' places among the buttons; the last place is the find box's room.
constexpr int Separators[] = {0, 2, 3 + store::StateCount};
constexpr int ButtonTotal = 5 + store::StateCount;
constexpr COLORREF Face = RGB(192, 192, 192);

char updateTip[] = "リストのアップデート (F5)";
char noTip[] = "";
// Why the 自分の状態 buttons are grey: no name of mine chosen, or it is not on the name list.
char noOwnName[] = "自分の名前を「ファイル → 環境設定」の「自分の名前」で選ぶと使えます";

// The 自分の状態 buttons, in the states' order; each is labelled with its state.
constexpr int StateCommands[store::StateCount] = {IDM_MY_OFFICE, IDM_MY_HOME, IDM_MY_OUT_RETURNING,
                                                  IDM_MY_OUT_GOING_HOME};

const ImageStrip buttonImages = {IDB_TOOLBAR, BitmapImages, ImageWidth, ImageHeight, Face};

void setImages(HWND bar, int dpi) {
  HIMAGELIST images = imagesFromStrip(buttonImages, scaled(ImageWidth, dpi), scaled(ImageHeight, dpi));
  HIMAGELIST old =
      reinterpret_cast<HIMAGELIST>(SendMessageA(bar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images)));
  if (old) ImageList_Destroy(old);
  TBBUTTONINFOA separator = {};
  separator.cbSize = sizeof separator;
  separator.dwMask = TBIF_SIZE | TBIF_BYINDEX;
  separator.cx = static_cast<WORD>(scaled(SeparatorWidth, dpi));
  for (int index : Separators) SendMessageA(bar, TB_SETBUTTONINFOA, index, reinterpret_cast<LPARAM>(&separator));
}

// A 自分の状態 button: picture and label, disabled until my row is known.
TBBUTTON stateButton(int i) {
  TBBUTTON b = {};
  b.iBitmap = FirstStateImage + i;
  b.idCommand = StateCommands[i];
  b.fsStyle = BTNS_BUTTON | BTNS_SHOWTEXT | BTNS_AUTOSIZE;
  b.iString = reinterpret_cast<INT_PTR>(store::StateTexts[i]);
  return b;
}

}  // namespace

// The list update as a picture; my state as labelled buttons, enabled once my row is known.
HWND createToolbar(HWND parent, int dpi) {
  HWND bar =
      CreateWindowExA(0, TOOLBARCLASSNAMEA, "",
                      WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS | TBSTYLE_WRAPABLE | TBSTYLE_FLAT | TBSTYLE_LIST, 0, 0,
                      0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TOOLBAR)), instance, nullptr);
  if (!bar) return nullptr;
  SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageA(bar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);
  TBBUTTON buttons[ButtonTotal] = {
      {0, 0, TBSTATE_ENABLED, TBSTYLE_SEP, {0}, 0, 0},
      {0, IDM_UPDATE_LIST, TBSTATE_ENABLED, BTNS_BUTTON | BTNS_AUTOSIZE, {0}, 0, 0},
      {0, 0, TBSTATE_ENABLED, TBSTYLE_SEP, {0}, 0, 0},
  };
  for (int i = 0; i < store::StateCount; ++i) buttons[3 + i] = stateButton(i);
  buttons[3 + store::StateCount] = {0, 0, TBSTATE_ENABLED, TBSTYLE_SEP, {0}, 0, 0};
  buttons[4 + store::StateCount] = {0, 0, TBSTATE_ENABLED, TBSTYLE_SEP, {0}, 0, 0};
  SendMessageA(bar, TB_ADDBUTTONSA, ButtonTotal, reinterpret_cast<LPARAM>(buttons));
  setImages(bar, dpi);
  createFindBox(bar, dpi);
  return bar;
}

void enableBoardButtons(HWND bar, bool enabled) {
  if (!bar) return;
  SendMessageA(bar, TB_ENABLEBUTTON, IDM_UPDATE_LIST, MAKELPARAM(enabled ? TRUE : FALSE, 0));
  const BOOL mine = enabled && ownSlot() >= 0;
  for (int command : StateCommands) SendMessageA(bar, TB_ENABLEBUTTON, command, MAKELPARAM(mine, 0));
}

void rescaleToolbar(HWND bar, int dpi) {
  if (!bar) return;
  setImages(bar, dpi);
  SendMessageA(bar, TB_AUTOSIZE, 0, 0);
  layOutFindBox(bar, dpi);
}

void destroyToolbarImages(HWND bar) {
  if (!bar) return;
  HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageA(bar, TB_SETIMAGELIST, 0, 0));
  if (images) ImageList_Destroy(images);
}

int layOutToolbar(HWND bar) {
  if (!bar) return 0;
  SendMessageA(bar, TB_AUTOSIZE, 0, 0);
  layOutFindBox(bar, dpiOf(bar));
  RECT r;
  GetWindowRect(bar, &r);
  return r.bottom - r.top;
}

void supplyToolTip(NMHDR* header) {
  if (header->code != TTN_NEEDTEXTA) return;
  NMTTDISPINFOA* info = reinterpret_cast<NMTTDISPINFOA*>(header);
  info->lpszText = header->idFrom == IDM_UPDATE_LIST ? updateTip : noTip;
  for (int i = 0; i < store::StateCount; ++i) {
    if (header->idFrom != static_cast<UINT_PTR>(StateCommands[i])) continue;
    if (ownSlot() < 0) {
      info->lpszText = noOwnName;
      continue;
    }
    const bool asks = static_cast<store::State>(i) == store::ReturningState;
    std::snprintf(info->szText, sizeof info->szText, "自分の状態を「%s」に%s (Ctrl+%d)", store::StateTexts[i],
                  asks ? "、帰社時間を入力" : "", i + 1);
    info->lpszText = info->szText;
  }
}

}  // namespace ui

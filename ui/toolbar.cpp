#include "ui/toolbar.h"

#include <commctrl.h>

#include "ui/dpi.h"
#include "ui/find_box.h"
#include "ui/identity.h"
#include "ui/image_strip.h"
#include "ui/member_list.h"
#include "ui/resources/resource.h"
#include "ui/states.h"

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
constexpr int Separators[] = {0, 2, 3 + StateCount};
constexpr int ButtonTotal = 5 + StateCount;
constexpr COLORREF Face = RGB(192, 192, 192);

char updateTip[] = "リストのアップデート (F5)";
char noTip[] = "";
// Why the 自分の状態 buttons are grey: no name of mine chosen, or it is not on the name list.
char noOwnName[] = "自分の名前を「ファイル → 環境設定」の「自分の名前」で選ぶと使えます";

// The 自分の状態 buttons, in the menu's order, each with its label and tooltip.
struct StateButton {
  int command;
  char label[16];
  char tip[64];
};
StateButton stateButtons[StateCount] = {
    {IDM_MY_OFFICE, "社内", "自分の状態を「社内」に (Ctrl+1)"},
    {IDM_MY_HOME, "帰宅", "自分の状態を「帰宅」に (Ctrl+2)"},
    {IDM_MY_OUT_RETURNING, "外出・戻り", "自分の状態を「外出・戻り」に、帰社時間を入力 (Ctrl+3)"},
    {IDM_MY_OUT_GOING_HOME, "外出・直帰", "自分の状態を「外出・直帰」に (Ctrl+4)"},
};

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
  b.idCommand = stateButtons[i].command;
  b.fsStyle = BTNS_BUTTON | BTNS_SHOWTEXT | BTNS_AUTOSIZE;
  b.iString = reinterpret_cast<INT_PTR>(stateButtons[i].label);
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
  for (int i = 0; i < StateCount; ++i) buttons[3 + i] = stateButton(i);
  buttons[3 + StateCount] = {0, 0, TBSTATE_ENABLED, TBSTYLE_SEP, {0}, 0, 0};
  buttons[4 + StateCount] = {0, 0, TBSTATE_ENABLED, TBSTYLE_SEP, {0}, 0, 0};
  SendMessageA(bar, TB_ADDBUTTONSA, ButtonTotal, reinterpret_cast<LPARAM>(buttons));
  setImages(bar, dpi);
  createFindBox(bar, dpi);
  return bar;
}

void enableBoardButtons(HWND bar, bool enabled) {
  if (!bar) return;
  SendMessageA(bar, TB_ENABLEBUTTON, IDM_UPDATE_LIST, MAKELPARAM(enabled ? TRUE : FALSE, 0));
  const BOOL mine = enabled && ownSlot() >= 0;
  for (const StateButton& b : stateButtons) SendMessageA(bar, TB_ENABLEBUTTON, b.command, MAKELPARAM(mine, 0));
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
  for (StateButton& b : stateButtons)
    if (header->idFrom == static_cast<UINT_PTR>(b.command)) info->lpszText = ownSlot() >= 0 ? b.tip : noOwnName;
}

}  // namespace ui

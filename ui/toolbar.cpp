#include "ui/toolbar.h"

#include <commctrl.h>

#include <cstdio>

#include "store/row_words.h"
#include "ui/commands.h"
#include "ui/dpi.h"
#include "ui/find_box.h"
#include "ui/identity.h"
#include "ui/image_strip.h"
#include "ui/member_list.h"
#include "ui/resources/resource.h"

namespace ui {

namespace {
// Bitmap 107 is a strip of eight 16 x 15 images on a silver face; each command with a button names
// its picture in the command table.
constexpr int BitmapImages = 8;
constexpr int ImageWidth = 16;
constexpr int ImageHeight = 15;
constexpr int SeparatorWidth = 8;
constexpr COLORREF Face = RGB(192, 192, 192);
// The buttons, the gaps before, between and after their groups, and the find box's room.
constexpr int MaxButtons = 32;

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
  const int count = static_cast<int>(SendMessageA(bar, TB_BUTTONCOUNT, 0, 0));
  for (int index = 0; index < count; ++index) {
    TBBUTTON b = {};
    if (SendMessageA(bar, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&b)) && (b.fsStyle & TBSTYLE_SEP))
      SendMessageA(bar, TB_SETBUTTONINFOA, index, reinterpret_cast<LPARAM>(&separator));
  }
}

// The member list of the window a toolbar, or its tooltip, belongs to.
HWND listBeside(HWND control) { return GetDlgItem(GetAncestor(control, GA_ROOTOWNER), IDC_MEMBER_LIST); }

TBBUTTON gap() { return {0, 0, TBSTATE_ENABLED, TBSTYLE_SEP, {0}, 0, 0}; }

// A command's button: its picture, and a state's name beside it; disabled until the command can be taken.
TBBUTTON buttonOf(const Command& c) {
  TBBUTTON b = {};
  b.iBitmap = c.picture;
  b.idCommand = c.id;
  b.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
  if (c.state != store::State::none) {
    b.fsStyle |= BTNS_SHOWTEXT;
    b.iString = reinterpret_cast<INT_PTR>(store::stateText(c.state));
  }
  return b;
}

// The command table's buttons in its order, a gap where the commands turn to my state and back.
int tableButtons(TBBUTTON (&buttons)[MaxButtons]) {
  int count = 0;
  const Command* table = commands(count);
  int n = 0;
  buttons[n++] = gap();
  const Command* previous = nullptr;
  for (int i = 0; i < count && n < MaxButtons - 3; ++i) {
    const Command& c = table[i];
    if (c.picture < 0) continue;
    if (previous && (previous->state == store::State::none) != (c.state == store::State::none)) buttons[n++] = gap();
    buttons[n++] = buttonOf(c);
    previous = &c;
  }
  buttons[n++] = gap();
  buttons[n++] = gap();
  return n;
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
  // Out of drawing, the bar is laid out once for its buttons, pictures, gaps and find box, not after
  // each (under Wine each invalidation is a round trip to the window server).
  SendMessageA(bar, WM_SETREDRAW, FALSE, 0);
  SendMessageA(bar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);
  TBBUTTON buttons[MaxButtons];
  const int total = tableButtons(buttons);
  SendMessageA(bar, TB_ADDBUTTONSA, total, reinterpret_cast<LPARAM>(buttons));
  setImages(bar, dpi);
  createFindBox(bar, dpi);
  SendMessageA(bar, WM_SETREDRAW, TRUE, 0);
  return bar;
}

void enableBoardButtons(HWND bar, bool enabled) {
  if (!bar) return;
  int count = 0;
  const Command* table = commands(count);
  for (int i = 0; i < count; ++i) {
    const Command& c = table[i];
    if (c.picture < 0) continue;
    const BOOL on = enabled && (c.when != When::idleMine || ownSlot(listBeside(bar)) >= 0);
    SendMessageA(bar, TB_ENABLEBUTTON, c.id, MAKELPARAM(on, 0));
  }
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
  info->szText[0] = '\0';
  info->lpszText = info->szText;
  const Command* c = commandOf(static_cast<int>(header->idFrom));
  if (!c) return;
  // Why the 自分の状態 buttons are grey: no name of mine chosen, or it is not on the name list.
  if (c->when == When::idleMine && ownSlot(listBeside(header->hwndFrom)) < 0)
    std::snprintf(info->szText, sizeof info->szText, "%s",
                  "自分の名前を「ファイル → 環境設定」の「自分の名前」で選ぶと使えます");
  else
    commandTip(*c, info->szText, sizeof info->szText);
}

}  // namespace ui

#include "ui/find_box.h"

#include <commctrl.h>

#include "ui/control_proc.h"
#include "ui/dpi.h"
#include "ui/identity.h"
#include "ui/member_list.h"
#include "ui/resources/resource.h"
#include "ui/row_view.h"

namespace ui {

namespace {

constexpr int BoxWidth = 170;
// Characters, not bytes: 30 double-byte characters still fit what the list matches.
constexpr int MaxTyped = 30;
static_assert(MaxTyped * 2 < FindSize, "what is typed fits the rule whole");

HWND boxOf(HWND window) { return GetDlgItem(GetDlgItem(window, IDC_TOOLBAR), IDC_FIND); }

// The hint shown while the box is empty; the control takes it in UTF-16 only.
void setHint(HWND box) {
  wchar_t hint[64];
  if (MultiByteToWideChar(CP_ACP, 0, "名前・予定で絞り込み (Ctrl+F)", -1, hint, 64) > 0)
    SendMessageW(box, EM_SETCUEBANNER, FALSE, reinterpret_cast<LPARAM>(hint));
}

// The first match, selected and focused, takes the keys from here on, as in a dialog's tab order.
void moveToFirstMatch(HWND box) {
  HWND list = GetDlgItem(GetParent(GetParent(box)), IDC_MEMBER_LIST);
  if (ListView_GetItemCount(list) > 0) markSlot(list, slotInRow(list, 0));
  SetFocus(list);
}

// Down, Enter and Tab leave the box for the list; their characters are dropped so the box does not beep.
WNDPROC boxProc;

LRESULT CALLBACK boxKeys(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  const bool leaving = wParam == VK_DOWN || wParam == VK_RETURN || wParam == VK_TAB;
  if (message == WM_KEYDOWN && leaving) {
    moveToFirstMatch(box);
    return 0;
  }
  if (message == WM_CHAR && (wParam == '\r' || wParam == '\t')) return 0;
  return passOn(boxProc, box, message, wParam, lParam);
}

}  // namespace

HWND createFindBox(HWND toolbar, int dpi) {
  if (!toolbar) return nullptr;
  HWND box = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 0,
                             0, toolbar, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_FIND)), instance, nullptr);
  if (!box) return nullptr;
  SendMessageA(box, EM_LIMITTEXT, MaxTyped, 0);
  setHint(box);
  frontControl(box, boxKeys, boxProc);
  layOutFindBox(toolbar, dpi);
  return box;
}

// The box stands on the last button of the toolbar, a gap as wide as the box.
void layOutFindBox(HWND toolbar, int dpi) {
  HWND box = GetDlgItem(toolbar, IDC_FIND);
  if (!box) return;
  const int last = static_cast<int>(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0)) - 1;
  TBBUTTONINFOA room = {};
  room.cbSize = sizeof room;
  room.dwMask = TBIF_SIZE | TBIF_BYINDEX;
  room.cx = static_cast<WORD>(scaled(BoxWidth, dpi));
  SendMessageA(toolbar, TB_SETBUTTONINFOA, last, reinterpret_cast<LPARAM>(&room));
  RECT r;
  if (!SendMessageA(toolbar, TB_GETITEMRECT, last, reinterpret_cast<LPARAM>(&r))) return;
  const int height = scaled(22, dpi), top = r.top + (r.bottom - r.top - height) / 2;
  MoveWindow(box, r.left, top > 0 ? top : 0, r.right - r.left, height, TRUE);
}

void setFindBoxFont(HWND toolbar, HFONT font) {
  HWND box = GetDlgItem(toolbar, IDC_FIND);
  if (box) SendMessageA(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void focusFindBox(HWND window) {
  HWND box = boxOf(window);
  if (!box) return;
  SetFocus(box);
  SendMessageA(box, EM_SETSEL, 0, -1);
}

void clearFindBox(HWND window) {
  HWND box = boxOf(window);
  if (box && GetWindowTextLengthA(box) > 0) SetWindowTextA(box, "");
  SetFocus(GetDlgItem(window, IDC_MEMBER_LIST));
}

void followFindBox(HWND window) {
  char typed[FindSize] = "";
  GetWindowTextA(boxOf(window), typed, sizeof typed);
  findMembers(GetDlgItem(window, IDC_MEMBER_LIST), typed);
}

}  // namespace ui

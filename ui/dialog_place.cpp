#include "ui/dialog_place.h"

#include <commctrl.h>

#include "ui/placement.h"
#include "ui/wrap_text.h"

namespace ui {

namespace {

Box boxOf(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// The work area of the monitor the window is mostly on.
Box workAreaOf(HWND window) {
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
  return boxOf(info.rcWork);
}

void moveTo(HWND dialog, const Box& box) {
  SetWindowPos(dialog, nullptr, box.left, box.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void centreDialog(HWND dialog) {
  HWND owner = GetWindow(dialog, GW_OWNER);
  RECT r, over;
  GetWindowRect(dialog, &r);
  const Box area = workAreaOf(owner ? owner : dialog);
  const Box ownerBox =
      owner && IsWindowVisible(owner) && !IsIconic(owner) && GetWindowRect(owner, &over) ? boxOf(over) : area;
  moveTo(dialog, centredOn(r.right - r.left, r.bottom - r.top, ownerBox, area));
}

void placeDialogByRow(HWND dialog, HWND list) {
  const int row = list ? ListView_GetNextItem(list, -1, LVNI_FOCUSED) : -1;
  RECT item;
  if (row < 0 || !ListView_GetItemRect(list, row, &item, LVIR_BOUNDS)) return centreDialog(dialog);
  MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&item), 2);
  RECT r, client;
  GetWindowRect(dialog, &r);
  GetWindowRect(list, &client);
  // The row's box within what the list shows of it.
  Box rowBox = boxOf(item);
  if (rowBox.left < client.left) rowBox.left = client.left;
  moveTo(dialog, besideRow(r.right - r.left, r.bottom - r.top, rowBox, workAreaOf(list)));
}

namespace {

HHOOK activateHook;

// A system dialog's window is made and activated inside the call that shows it: it is moved then, once.
LRESULT CALLBACK centreOnActivate(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && activateHook) {
    HWND box = reinterpret_cast<HWND>(wParam);
    UnhookWindowsHookEx(activateHook);
    activateHook = nullptr;
    centreDialog(box);
    return 0;
  }
  return CallNextHookEx(activateHook, code, wParam, lParam);
}

}  // namespace

CentreNextDialog::CentreNextDialog(HWND owner) {
  if (owner && !activateHook) activateHook = SetWindowsHookExA(WH_CBT, centreOnActivate, nullptr, GetCurrentThreadId());
}

CentreNextDialog::~CentreNextDialog() {
  if (activateHook) UnhookWindowsHookEx(activateHook);
  activateHook = nullptr;
}

int messageBoxOver(HWND owner, const char* text, const char* caption, UINT flags) {
  CentreNextDialog centred(owner);
  char wrapped[2048];
  wrapForMessageBox(owner, text, wrapped, sizeof wrapped);
  return MessageBoxA(owner, wrapped, caption, flags);
}

}  // namespace ui

#include "ui/status_bar.h"

#include <commctrl.h>

#include "platform/status.h"
#include "text/timestamps.h"
#include "ui/resources/resource.h"

namespace {

// The core's messages have nowhere to go before the bar exists (the first-run flow has none).
HWND statusLine;

}  // namespace

namespace ui {

HWND createStatusBar(HWND parent) {
  statusLine = CreateStatusWindowA(WS_CHILD | WS_VISIBLE | CCS_BOTTOM, "", parent, IDC_STATUS_BAR);
  return statusLine;
}

int layOutStatusBar(HWND bar, int width, int height) {
  if (!bar) return 0;
  int edges[2] = {width / 2, width};
  SendMessageA(bar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(edges));
  RECT r;
  GetClientRect(bar, &r);
  MoveWindow(bar, 0, height - r.bottom, width, r.bottom, TRUE);
  return r.bottom;
}

void showStatusInfo(HWND bar) {
  if (bar) SendMessageA(bar, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(text::statusInfoText));
}

void reportNoServer() {
  status::showStatus("サーバーに接続できません");
  status::beep();
}

}  // namespace ui

namespace status {

void showStatus(const char* text) {
  if (statusLine) SendMessageA(statusLine, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text));
}

void beep() { MessageBeep(0); }

bool showsBoardTime() { return statusLine != nullptr; }

}  // namespace status

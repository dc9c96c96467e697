#include "ui/status_bar.h"

#include <commctrl.h>

#include <cstring>

#include "platform/status.h"
#include "text/bounded.h"
#include "text/timestamps.h"
#include "ui/dpi.h"
#include "ui/resources/resource.h"

namespace {

// The core's messages have nowhere to go before the bar exists (the first-run flow has none).
HWND statusLine;
char lastMessage[512];
char shownInfo[text::StatusInfoSize];

// The widest time the part shows; measured rather than the text of the moment, so it does not jump.
constexpr char WidestInfo[] = "2000/00/00 00:00の情報";

int textWidth(HWND bar, const char* text) {
  HDC dc = GetDC(bar);
  if (!dc) return 0;
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(bar, WM_GETFONT, 0, 0)));
  SIZE size = {};
  GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
  SelectObject(dc, old);
  ReleaseDC(bar, dc);
  return size.cx;
}

// Room for the text, its part's borders on both sides and the size grip at the end.
int timePartWidth(HWND bar, int barHeight) {
  return textWidth(bar, WidestInfo) + barHeight + ui::metricFor(SM_CXVSCROLL, ui::dpiOf(bar));
}

}  // namespace

namespace ui {

HWND createStatusBar(HWND parent) {
  statusLine = CreateStatusWindowA(WS_CHILD | WS_VISIBLE | CCS_BOTTOM, "", parent, IDC_STATUS_BAR);
  shownInfo[0] = '\0';
  return statusLine;
}

int layOutStatusBar(HWND bar, int width, int height) {
  if (!bar) return 0;
  RECT r;
  GetClientRect(bar, &r);
  const int timeWidth = timePartWidth(bar, r.bottom);
  int edges[2] = {width > timeWidth ? width - timeWidth : 0, -1};
  SendMessageA(bar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(edges));
  MoveWindow(bar, 0, height - r.bottom, width, r.bottom, TRUE);
  return r.bottom;
}

void showStatusInfo(HWND bar) {
  if (!bar || std::strcmp(shownInfo, text::statusInfoText) == 0) return;
  text::copyField(shownInfo, text::statusInfoText);
  SendMessageA(bar, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(shownInfo));
}

void reportNoServer(bool withBeep) {
  status::showStatus("サーバーに接続できません");
  if (withBeep) status::beep();
}

const char* lastStatusMessage() { return lastMessage; }

}  // namespace ui

namespace status {

// Every message of an access passes here, so part 1 follows the time of the last good read at once.
void showStatus(const char* text) {
  std::strncpy(lastMessage, text, sizeof lastMessage - 1);
  lastMessage[sizeof lastMessage - 1] = '\0';
  if (!statusLine) return;
  SendMessageA(statusLine, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text));
  ui::showStatusInfo(statusLine);
}

void beep() { MessageBeep(0); }

bool showsBoardTime() { return statusLine != nullptr; }

}  // namespace status

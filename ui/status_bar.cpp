#include "ui/status_bar.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "platform/status.h"
#include "settings/preferences.h"
#include "text/bounded.h"
#include "text/timestamps.h"
#include "ui/board_age.h"
#include "ui/colours.h"
#include "ui/dpi.h"
#include "ui/resources/resource.h"
#include "ui/session.h"

namespace {

// The core's messages have nowhere to go before the bar exists (the first-run flow has none).
HWND statusLine;
char lastMessage[512];
// The message part's text as the bar has it: the bar repaints itself at once for every text it is
// given, and an access gives the same one more than once (three repaints in the first load).
char shownMessage[sizeof lastMessage];
char shownInfo[text::StatusInfoSize];

// How current the board is: the last good read (or the bar's start, before any), the refresh
// intervals since, and whether the time part warns.
ULONGLONG lastRead;
int periodsSinceRead;
bool warning;

// The widest time the part shows; measured rather than the text of the moment, so it does not jump.
constexpr char WidestInfo[] = "2000/00/00 00:00の情報";
constexpr char WidestWarning[] = "2000/00/00 00:00の情報（更新できていません）";
constexpr char Stale[] = "（更新できていません）";
constexpr char NeverRead[] = "ボードを読めていません";

// Room for the text, its part's borders on both sides and the size grip at the end.
int timePartWidth(HWND bar, int barHeight) {
  return ui::textWidthIn(bar, warning ? WidestWarning : WidestInfo) + barHeight + ui::metricFor(SM_CXVSCROLL, ui::dpiOf(bar));
}

// While it warns, the time part is drawn by drawStatusPart from shownInfo.
void showTimePart(HWND bar) {
  if (warning)
    SendMessageA(bar, SB_SETTEXTA, 1 | SBT_OWNERDRAW, 0);
  else
    SendMessageA(bar, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(shownInfo));
}

void warningText(char* out, size_t size) {
  if (shownInfo[0])
    std::snprintf(out, size, "%s%s", shownInfo, Stale);
  else
    std::snprintf(out, size, "%s", NeverRead);
}

}  // namespace

namespace ui {

HWND createStatusBar(HWND parent) {
  statusLine = CreateStatusWindowA(WS_CHILD | WS_VISIBLE | CCS_BOTTOM, "", parent, IDC_STATUS_BAR);
  shownMessage[0] = '\0';
  shownInfo[0] = '\0';
  lastRead = GetTickCount64();
  periodsSinceRead = 0;
  warning = false;
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
  if (!bar || std::strcmp(shownInfo, share().statusInfoText) == 0) return;
  text::copyField(shownInfo, share().statusInfoText);
  showTimePart(bar);
}

void refreshPeriodPassed() { ++periodsSinceRead; }

// The part's width follows its text, so the bar is laid out again when the warning comes or goes.
void showBoardAge(HWND bar) {
  if (!bar) return;
  const BoardAge age = {GetTickCount64() - lastRead, periodsSinceRead};
  const bool old = boardLooksOld(age, local().prefs.refreshMinutes.get());
  if (old == warning) return;
  warning = old;
  RECT client;
  GetClientRect(GetParent(bar), &client);
  layOutStatusBar(bar, client.right, client.bottom);
  showTimePart(bar);
}

bool drawStatusPart(const DRAWITEMSTRUCT* item) {
  if (item->CtlID != IDC_STATUS_BAR || !warning) return false;
  char text[text::StatusInfoSize + sizeof Stale];
  warningText(text, sizeof text);
  HGDIOBJ oldFont = SelectObject(item->hDC, reinterpret_cast<HFONT>(SendMessageA(item->hwndItem, WM_GETFONT, 0, 0)));
  const COLORREF oldColour = SetTextColor(item->hDC, AttentionRed);
  const int oldMode = SetBkMode(item->hDC, TRANSPARENT);
  RECT r = item->rcItem;
  r.left += scaled(2, dpiOf(item->hwndItem));
  wchar_t wide[sizeof text];
  DrawTextW(item->hDC, wide, wideText(text, wide, sizeof text), &r,
            DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
  SetBkMode(item->hDC, oldMode);
  SetTextColor(item->hDC, oldColour);
  SelectObject(item->hDC, oldFont);
  return true;
}

void reportNoServer(bool withBeep) {
  status::showStatus("サーバーに接続できません");
  if (withBeep) status::beep();
}

const char* lastStatusMessage() { return lastMessage; }

}  // namespace ui

namespace status {

// Every message of an access passes here, so the time part follows the time of the last good read at once.
void showStatus(const char* text) {
  std::strncpy(lastMessage, text, sizeof lastMessage - 1);
  lastMessage[sizeof lastMessage - 1] = '\0';
  if (!statusLine) return;
  if (std::strcmp(shownMessage, lastMessage) != 0) {
    text::copyField(shownMessage, lastMessage);
    SendMessageA(statusLine, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(shownMessage));
  }
  ui::showStatusInfo(statusLine);
}

void beep() { MessageBeep(0); }

bool showsBoardTime() { return statusLine != nullptr; }

void boardRead() {
  lastRead = GetTickCount64();
  periodsSinceRead = 0;
  ui::showBoardAge(statusLine);
}

}  // namespace status

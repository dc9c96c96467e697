#include "ui/status_bar.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <mutex>

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
// The bar's thread and window; the share's worker passes its messages there through the slots below.
DWORD barThread;
HWND barParent;
// Posted to the bar's parent: a message in the slots, or a good read, from the share's worker.
constexpr UINT WM_APP_STATUS = WM_APP + 20;
constexpr UINT WM_APP_BOARD_READ = WM_APP + 21;

// Guarded: the worker's message for the bar.
std::mutex slot;
char postedMessage[512];
// The time of the last good read as the bar is to show it.
char infoText[text::StatusInfoSize];
// The message part's text as the bar has it: the bar repaints itself at once for every text it is
// given, and an access gives the same one more than once (three repaints in the first load).
char shownMessage[sizeof postedMessage];
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
// The administrator's setting that lets saves go without the lock, for as long as it is on.
bool writesWithoutLock;
constexpr char WithoutLock[] = "排他なしの書き込み：有効";

// Room for the text, its part's borders on both sides and the size grip at the end.
int timePartWidth(HWND bar, int barHeight) {
  return ui::textWidthIn(bar, warning ? WidestWarning : WidestInfo) + barHeight +
         ui::metricFor(SM_CXVSCROLL, ui::dpiOf(bar));
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
  barThread = GetCurrentThreadId();
  barParent = parent;
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
  const int lockWidth = writesWithoutLock
                            ? ui::textWidthIn(bar, WithoutLock) + r.bottom + ui::metricFor(SM_CXVSCROLL, ui::dpiOf(bar))
                            : 0;
  const int rest = width - timeWidth - lockWidth;
  int edges[3] = {rest > 0 ? rest : 0, width > lockWidth ? width - lockWidth : 0, -1};
  if (!writesWithoutLock) edges[1] = -1;
  SendMessageA(bar, SB_SETPARTS, writesWithoutLock ? 3 : 2, reinterpret_cast<LPARAM>(edges));
  if (writesWithoutLock) SendMessageA(bar, SB_SETTEXTA, 2, reinterpret_cast<LPARAM>(WithoutLock));
  MoveWindow(bar, 0, height - r.bottom, width, r.bottom, TRUE);
  return r.bottom;
}

void showStatusInfo(HWND bar, const char (&info)[text::StatusInfoSize]) {
  text::copyField(infoText, info);
  if (!bar || std::strcmp(shownInfo, infoText) == 0) return;
  text::copyField(shownInfo, infoText);
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

void showWritesWithoutLock(HWND bar, bool on) {
  writesWithoutLock = on;
  if (!bar) return;
  RECT client;
  GetClientRect(GetParent(bar), &client);
  layOutStatusBar(bar, client.right, client.bottom);
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

namespace {

// On the bar's thread: the message part, and the time part from the time text given.
void showOnBar(const char* message, const char (&info)[text::StatusInfoSize]) {
  if (std::strcmp(shownMessage, message) != 0) {
    text::copyField(shownMessage, sizeof shownMessage, message, std::strlen(message));
    SendMessageA(statusLine, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(shownMessage));
  }
  showStatusInfo(statusLine, info);
}

void markBoardRead() {
  lastRead = GetTickCount64();
  periodsSinceRead = 0;
  showBoardAge(statusLine);
}

}  // namespace

bool onStatusMessage(UINT message) {
  if (message == WM_APP_BOARD_READ) {
    markBoardRead();
    return true;
  }
  if (message != WM_APP_STATUS) return false;
  char text[sizeof postedMessage];
  {
    std::lock_guard<std::mutex> hold(slot);
    text::copyField(text, postedMessage);
  }
  if (statusLine) showOnBar(text, infoText);
  return true;
}

}  // namespace ui

namespace status {

// Every message of an access passes here. On the share's worker the message goes into the slot and
// the bar's thread shows the latest; the time part follows the worker's snapshot when the window takes it.
void showStatus(const char* text) {
  hear(text);
  if (GetCurrentThreadId() == barThread) {
    if (statusLine) ui::showOnBar(text, infoText);
    return;
  }
  {
    std::lock_guard<std::mutex> hold(slot);
    text::copyField(postedMessage, sizeof postedMessage, text, std::strlen(text));
  }
  if (statusLine) PostMessageA(barParent, WM_APP_STATUS, 0, 0);
}

void beep() {
  hearBeep();
  MessageBeep(0);
}

bool showsBoardTime() { return statusLine != nullptr; }

void boardRead() {
  hearRead();
  if (GetCurrentThreadId() == barThread) return ui::markBoardRead();
  if (statusLine) PostMessageA(barParent, WM_APP_BOARD_READ, 0, 0);
}

}  // namespace status

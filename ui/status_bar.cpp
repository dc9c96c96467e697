#include "ui/status_bar.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#include "platform/status.h"
#include "settings/preferences.h"
#include "text/bounded.h"
#include "text/timestamps.h"
#include "ui/board_age.h"
#include "ui/colours.h"
#include "ui/control_proc.h"
#include "ui/dpi.h"
#include "ui/resources/resource.h"
#include "ui/session.h"

namespace {

// Posted to the bar's parent: a message in the mailbox, or a good read, from the share's worker.
constexpr UINT WM_APP_STATUS = WM_APP + 20;
constexpr UINT WM_APP_BOARD_READ = WM_APP + 21;

// What the bar keeps: made with the bar, in its GWLP_USERDATA, and gone with it.
struct StatusBar {
  HWND line;
  // The bar's thread and its parent, where the share's worker posts its messages.
  DWORD thread;
  HWND parent;
  // The worker's message for the bar, guarded by the seam's lock.
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
  // The administrator's setting that lets saves go without the lock, for as long as it is on.
  bool writesWithoutLock;
};

// The seam's way to the bar from any thread: the core's messages have nowhere to go before the bar
// exists (the first-run flow has none), nor after it has gone while a stuck worker still reports.
// The lock guards the pointer and the bar's mailbox; only the bar's thread sets the pointer.
std::mutex seamGuard;
StatusBar* seamBar;

StatusBar* barOf(HWND bar) {
  return bar ? reinterpret_cast<StatusBar*>(GetWindowLongPtrA(bar, GWLP_USERDATA)) : nullptr;
}

// The widest time the part shows; measured rather than the text of the moment, so it does not jump.
constexpr char WidestInfo[] = "2000/00/00 00:00の情報";
constexpr char WidestWarning[] = "2000/00/00 00:00の情報（更新できていません）";
constexpr char Stale[] = "（更新できていません）";
constexpr char NeverRead[] = "ボードを読めていません";
constexpr char WithoutLock[] = "使用中の印なしの書き込み：有効";

// Room for the text, its part's borders on both sides and the size grip at the end.
int timePartWidth(const StatusBar& b, HWND bar, int barHeight) {
  return ui::textWidthIn(bar, b.warning ? WidestWarning : WidestInfo) + barHeight +
         ui::metricFor(SM_CXVSCROLL, ui::dpiOf(bar));
}

// While it warns, the time part is drawn by drawStatusPart from shownInfo.
void showTimePart(const StatusBar& b) {
  if (b.warning)
    SendMessageA(b.line, SB_SETTEXTA, 1 | SBT_OWNERDRAW, 0);
  else
    SendMessageA(b.line, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(b.shownInfo));
}

void warningText(const StatusBar& b, char* out, size_t size) {
  if (b.shownInfo[0])
    std::snprintf(out, size, "%s%s", b.shownInfo, Stale);
  else
    std::snprintf(out, size, "%s", NeverRead);
}

}  // namespace

namespace ui {

namespace {

// The bar's state goes with the bar, first out of the seam's reach.
WNDPROC barProc;

LRESULT CALLBACK barGoes(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCDESTROY) {
    StatusBar* b = barOf(bar);
    SetWindowLongPtrA(bar, GWLP_USERDATA, 0);
    {
      std::lock_guard<std::mutex> hold(seamGuard);
      if (seamBar == b) seamBar = nullptr;
    }
    delete b;
  }
  return passOn(barProc, bar, message, wParam, lParam);
}

}  // namespace

HWND createStatusBar(HWND parent) {
  HWND line = CreateStatusWindowA(WS_CHILD | WS_VISIBLE | CCS_BOTTOM, "", parent, IDC_STATUS_BAR);
  if (!line) return nullptr;
  StatusBar* b = new (std::nothrow) StatusBar();
  if (!b || !frontControl(line, barGoes, barProc)) {
    delete b;
    DestroyWindow(line);
    return nullptr;
  }
  b->line = line;
  b->thread = GetCurrentThreadId();
  b->parent = parent;
  b->lastRead = GetTickCount64();
  SetWindowLongPtrA(line, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(b));
  std::lock_guard<std::mutex> hold(seamGuard);
  seamBar = b;
  return line;
}

int layOutStatusBar(HWND bar, int width, int height) {
  const StatusBar* b = barOf(bar);
  if (!b) return 0;
  RECT r;
  GetClientRect(bar, &r);
  const int timeWidth = timePartWidth(*b, bar, r.bottom);
  const bool withoutLock = b->writesWithoutLock;
  const int lockWidth =
      withoutLock ? ui::textWidthIn(bar, WithoutLock) + r.bottom + ui::metricFor(SM_CXVSCROLL, ui::dpiOf(bar)) : 0;
  const int rest = width - timeWidth - lockWidth;
  int edges[3] = {rest > 0 ? rest : 0, width > lockWidth ? width - lockWidth : 0, -1};
  if (!withoutLock) edges[1] = -1;
  SendMessageA(bar, SB_SETPARTS, withoutLock ? 3 : 2, reinterpret_cast<LPARAM>(edges));
  if (withoutLock) SendMessageA(bar, SB_SETTEXTA, 2, reinterpret_cast<LPARAM>(WithoutLock));
  MoveWindow(bar, 0, height - r.bottom, width, r.bottom, TRUE);
  return r.bottom;
}

namespace {

void showInfo(StatusBar& b, const char (&info)[text::StatusInfoSize]) {
  text::copyField(b.infoText, info);
  if (std::strcmp(b.shownInfo, b.infoText) == 0) return;
  text::copyField(b.shownInfo, b.infoText);
  showTimePart(b);
}

// The part's width follows its text, so the bar is laid out again when the warning comes or goes.
void showAge(StatusBar& b) {
  const BoardAge age = {GetTickCount64() - b.lastRead, b.periodsSinceRead};
  const bool old = boardLooksOld(age, local().prefs.refreshMinutes.get());
  if (old == b.warning) return;
  b.warning = old;
  RECT client;
  GetClientRect(b.parent, &client);
  layOutStatusBar(b.line, client.right, client.bottom);
  showTimePart(b);
}

// On the bar's thread: the message part, and the time part from the time text given.
void showOnBar(StatusBar& b, const char* message) {
  if (std::strcmp(b.shownMessage, message) != 0) {
    text::copyField(b.shownMessage, sizeof b.shownMessage, message, std::strlen(message));
    SendMessageA(b.line, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(b.shownMessage));
  }
  char info[text::StatusInfoSize];
  text::copyField(info, b.infoText);
  showInfo(b, info);
}

void markBoardRead(StatusBar& b) {
  b.lastRead = GetTickCount64();
  b.periodsSinceRead = 0;
  showAge(b);
}

}  // namespace

void showStatusInfo(HWND bar, const char (&info)[text::StatusInfoSize]) {
  if (StatusBar* b = barOf(bar)) showInfo(*b, info);
}

void refreshPeriodPassed(HWND bar) {
  if (StatusBar* b = barOf(bar)) ++b->periodsSinceRead;
}

void showBoardAge(HWND bar) {
  if (StatusBar* b = barOf(bar)) showAge(*b);
}

void showWritesWithoutLock(HWND bar, bool on) {
  StatusBar* b = barOf(bar);
  if (!b) return;
  b->writesWithoutLock = on;
  RECT client;
  GetClientRect(GetParent(bar), &client);
  layOutStatusBar(bar, client.right, client.bottom);
}

bool drawStatusPart(const DRAWITEMSTRUCT* item) {
  if (item->CtlID != IDC_STATUS_BAR) return false;
  const StatusBar* b = barOf(item->hwndItem);
  if (!b || !b->warning) return false;
  char text[text::StatusInfoSize + sizeof Stale];
  warningText(*b, text, sizeof text);
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

// On the bar's thread, which alone sets the seam's pointer: it reads it without the lock.
bool onStatusMessage(UINT message) {
  if (message != WM_APP_BOARD_READ && message != WM_APP_STATUS) return false;
  StatusBar* b = seamBar;
  if (!b) return true;
  if (message == WM_APP_BOARD_READ) {
    markBoardRead(*b);
    return true;
  }
  char text[sizeof b->postedMessage];
  {
    std::lock_guard<std::mutex> hold(seamGuard);
    text::copyField(text, b->postedMessage);
  }
  showOnBar(*b, text);
  return true;
}

}  // namespace ui

namespace status {

namespace {

// The bar when called on its thread, else null.
StatusBar* barOnThisThread() {
  std::lock_guard<std::mutex> hold(seamGuard);
  return seamBar && seamBar->thread == GetCurrentThreadId() ? seamBar : nullptr;
}

}  // namespace

// Every message of an access passes here. On the share's worker the message goes into the bar's
// mailbox and the bar's thread shows the latest; the time part follows the worker's snapshot when the
// window takes it.
void showStatus(const char* text) {
  hear(text);
  if (StatusBar* b = barOnThisThread()) return ui::showOnBar(*b, text);
  std::lock_guard<std::mutex> hold(seamGuard);
  if (!seamBar) return;
  text::copyField(seamBar->postedMessage, sizeof seamBar->postedMessage, text, std::strlen(text));
  PostMessageA(seamBar->parent, WM_APP_STATUS, 0, 0);
}

void beep() {
  hearBeep();
  MessageBeep(0);
}

bool showsBoardTime() {
  std::lock_guard<std::mutex> hold(seamGuard);
  return seamBar != nullptr;
}

void boardRead() {
  hearRead();
  if (StatusBar* b = barOnThisThread()) return ui::markBoardRead(*b);
  std::lock_guard<std::mutex> hold(seamGuard);
  if (seamBar) PostMessageA(seamBar->parent, WM_APP_BOARD_READ, 0, 0);
}

}  // namespace status

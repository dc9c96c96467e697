// The main window procedure: one switch, each message to its handler.
#include "ui/main_window.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "settings/history.h"
#include "settings/preferences.h"
#include "store/access.h"
#include "store/board.h"
#include "text/bounded.h"
#include "text/waits.h"
#include "ui/board_watch.h"
#include "ui/commands.h"
#include "ui/dpi.h"
#include "ui/entry_dialog.h"
#include "ui/find_box.h"
#include "ui/first_run.h"
#include "ui/identity.h"
#include "ui/lock_question.h"
#include "ui/member_list.h"
#include "ui/my_state.h"
#include "ui/name_list_notes.h"
#include "ui/notice_bar.h"
#include "ui/placement.h"
#include "ui/refresh_timer.h"
#include "ui/resources/resource.h"
#include "ui/session.h"
#include "ui/share_worker.h"
#include "ui/status_bar.h"
#include "ui/toolbar.h"
#include "ui/user_settings.h"
#include "ui/wrap_text.h"

namespace ui {

namespace {

// How often the rows' flags are judged against the clock: within half a minute of a return time.
constexpr UINT ClockMs = 30000;
constexpr UINT ClosingPollMs = 50;
// How often a failure's message looks whether the share answers again.
constexpr UINT TroubleLookMs = 5000;
constexpr unsigned TroubleSpreadMs = 2000;

// What the window keeps between its messages: made at WM_NCCREATE, destroyed at WM_NCDESTROY, in its
// GWLP_USERDATA.
struct MainWindow {
  // The window's restored screen rectangle as last seen; zero until it has one. Saved when it goes.
  RECT restoredRect;
  // The DPI the window's sizes are laid out for; a move to another monitor scales from it.
  int layoutDpi;
  // The list's and status bar's text, at layoutDpi.
  Font uiFont;
  // A first start (no widths set yet): the columns fit their texts once the names are loaded.
  bool fitPending;
  NameListNotes nameList;
  // Set by the close: the window is out of sight and goes when the worker has ended.
  bool closing;
  ULONGLONG closeAskedAt;
  // How long this close waits for the worker: longer when a write is to be finished.
  ULONGLONG closeWaitMs;
  // While automatic refresh is on; it ends with the window.
  BoardWatch folderWatch;
};

MainWindow& stateOf(HWND window) { return *reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

HWND listOf(HWND window) { return GetDlgItem(window, IDC_MEMBER_LIST); }
HWND statusBarOf(HWND window) { return GetDlgItem(window, IDC_STATUS_BAR); }
HWND toolbarOf(HWND window) { return GetDlgItem(window, IDC_TOOLBAR); }
HWND noticeBarOf(HWND window) { return GetDlgItem(window, IDC_NOTICE_BAR); }

// WM_MOVE and WM_SIZE: remembers the rectangle unless the window is minimised or maximised.
void captureWindowRect(HWND window) {
  if (IsIconic(window) || IsZoomed(window)) return;
  GetWindowRect(window, &stateOf(window).restoredRect);
}

// The size goes into the record in 96-DPI units, so a record serves any screen. A window that never
// had a restored rectangle leaves the loaded geometry as it was.
void storeGeometry(const MainWindow& w) {
  const RECT& r = w.restoredRect;
  const int layoutDpi = w.layoutDpi;
  if (r.right <= r.left || r.bottom <= r.top) return;
  settings::Preferences& p = local().prefs;
  p.windowWidth.set(unscaled(r.right - r.left, layoutDpi));
  p.windowX.set(r.left);
  p.windowHeight.set(unscaled(r.bottom - r.top, layoutDpi));
  p.windowY.set(r.top);
}

// The bars take their heights at the top and the bottom; the list fills what they leave.
RECT layOutBars(HWND window, int width, int height) {
  const int bottom = layOutStatusBar(statusBarOf(window), width, height);
  const int bars = layOutToolbar(toolbarOf(window));
  const int top = bars + layOutNoticeBar(noticeBarOf(window), bars, width);
  return RECT{0, top, width, top + (height - top - bottom > 0 ? height - top - bottom : 0)};
}

// The list's and status bar's text at dpi; the old font goes once the controls have the new one. A
// control not made yet takes uiFont when it is made.
void setUiFont(HWND window, int dpi) {
  Font& uiFont = stateOf(window).uiFont;
  Font previous;
  uiFont.swap(previous);
  uiFont.reset(createUiFont(dpi));
  setListFont(listOf(window), uiFont.get());
  setFindBoxFont(toolbarOf(window), uiFont.get());
  SendMessageA(statusBarOf(window), WM_SETFONT, reinterpret_cast<WPARAM>(uiFont.get()), TRUE);
  SendMessageA(noticeBarOf(window), WM_SETFONT, reinterpret_cast<WPARAM>(uiFont.get()), TRUE);
}

void restoreColumnOrder(HWND window) {
  int order[ColumnCount];
  if (savedColumnOrder(order)) setColumnOrder(listOf(window), order);
}

// The list comes last, made where the bars leave room and with its font: made at no size and then
// given a size and a font, it laid itself and its header out twice more (a tenth of the start under Wine).
void onCreate(HWND window) {
  MainWindow& w = stateOf(window);
  const int layoutDpi = w.layoutDpi = dpiOf(window);
  showWritesWithoutLock(createStatusBar(window), savedWriteWithoutLock());
  createToolbar(window, layoutDpi);
  createNoticeBar(window);
  setUiFont(window, layoutDpi);
  RECT client;
  GetClientRect(window, &client);
  HWND list = createMemberList(window, layoutDpi, layOutBars(window, client.right, client.bottom), w.uiFont.get());
  char ownName[store::NameSize];
  savedOwnName(ownName);
  setOwnName(list, ownName);
  restoreColumnOrder(window);
  w.fitPending = widthsAreDefaults();
  updateMenu(window);
  followRefreshInterval(window, local().prefs.refreshMinutes.get());
  SetTimer(window, IDT_CLOCK, ClockMs, nullptr);
  // The worker loads the name list and the board while the window is shown; its answer brings my row
  // into view.
  w.closing = false;
  if (!startShareWorker(window)) return;
  Request load;
  load.job = Job::load;
  load.replyTo = window;
  postRequest(load);
}

// The worker is at a request: what would start another waits (the list update greyed).
void onWorkerBusy(HWND window) { enableBoardButtons(toolbarOf(window), false); }

LockFacts factsOf(const WaitFacts& wait) {
  return {true, wait.holder, strnlen(wait.holder, sizeof wait.holder), wait.aged, wait.ageSeconds};
}

// From the second attempt on (a lock held for a moment passes unseen): whose lock, how long, and a way out.
void onWaiting(HWND window, int attempt) {
  if (attempt < 2) return;
  char text[1024];
  formatWaitNotice(factsOf(lastWait()), attempt, store::Attempts, false, text, sizeof text);
  showNotice(window, Notice::waiting, text, "中止(&C)", false);
}

// The wait is over: gone, unless it gave up on a lock left behind, which the notice then says with
// the reset at hand.
void endWaiting(HWND window) {
  if (!hasNotice(window, Notice::waiting)) return;
  hideNotice(window, Notice::waiting);
  const WaitFacts wait = lastWait();
  if (!boardView().lockBusy || !leftBehind(factsOf(wait))) return;
  char text[1024];
  formatWaitNotice(factsOf(wait), wait.attempt, store::Attempts, true, text, sizeof text);
  showNotice(window, Notice::oldLock, text, "リセット(&R)...");
}

// A name list that does not open is named, with the way to the settings, until one does; a notice
// that asks something of the member stays in front of it.
void showNamesMissing(HWND window) {
  if (!boardView().namesMissing) return hideNotice(window, Notice::noServer);
  char path[settings::PathSize + 1];
  settings::pathText(local().prefs.nameListPath, path);
  char text[settings::PathSize + 200];
  std::snprintf(text, sizeof text,
                "名前リスト「%s」を開けません。サーバーに接続できるか、環境設定のパスをお確かめください。", path);
  showNotice(window, Notice::noServer, text, "環境設定(&O)...");
}

void onNoticeAction(HWND window) {
  switch (shownNotice(window)) {
    case Notice::waiting: cancelShareWait(); break;
    case Notice::myState: retryMyState(); break;
    case Notice::oldLock:
      hideNotice(window, Notice::oldLock);
      runCommand(window, IDM_RESET_LOCK);
      break;
    // Even while the worker still tries the list: the settings do not wait for the share.
    case Notice::noServer: runSettingsCommand(window); break;
    default: break;
  }
}

// The window as wide as its columns need, within its monitor's work area: what a first start shows
// has no column cut off at the right.
void widenToShowColumns(HWND window) {
  HWND list = listOf(window);
  if (IsZoomed(window) || IsIconic(window)) return;
  const int layoutDpi = stateOf(window).layoutDpi;
  RECT client;
  GetClientRect(list, &client);
  const int more = columnsWidth(list) + metricFor(SM_CXVSCROLL, layoutDpi) + scaled(2, layoutDpi) - client.right;
  if (more <= 0) return;
  RECT r;
  GetWindowRect(window, &r);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const RECT& work = monitor.rcWork;
  int width = r.right - r.left + more;
  if (width > work.right - work.left) width = work.right - work.left;
  int left = r.left;
  if (left + width > work.right) left = work.right - width;
  SetWindowPos(window, nullptr, left, r.top, width, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The columns' room when the window is as wide as its monitor's work area: what the window's frame,
// the list's border and its vertical scroll bar leave.
int roomForColumns(HWND window) {
  HWND list = listOf(window);
  RECT frame, client;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (!GetWindowRect(window, &frame) || !GetClientRect(list, &client) ||
      !GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
    return 1 << 20;
  const int layoutDpi = stateOf(window).layoutDpi;
  const int around = (frame.right - frame.left) - client.right;
  return (monitor.rcWork.right - monitor.rcWork.left) - around - metricFor(SM_CXVSCROLL, layoutDpi) -
         scaled(2, layoutDpi);
}

void fitFirstStart(HWND window) {
  bool& fitPending = stateOf(window).fitPending;
  if (!fitPending || boardView().memberCount == 0) return;
  fitPending = false;
  fitColumnsToTexts(listOf(window), roomForColumns(window));
  widenToShowColumns(window);
}

// While a failure's message shows, a quick look every few seconds: a share that answers again takes the
// message away at once, though its folder's watch may have ended with the outage and the timer is minutes
// away. A proof the timer's look left for later (a coarse share's) is made by such a look too, sooner.
// The spread keeps an office's PCs from looking in step.
void followTrouble(HWND window) {
  const BoardView& view = boardView();
  if (view.troubleShown)
    SetTimer(window, IDT_RETRY, TroubleLookMs + text::spreadMs(TroubleSpreadMs), nullptr);
  else if (view.proofDeferred)
    SetTimer(window, IDT_RETRY, store::ProofLookMs + text::spreadMs(TroubleSpreadMs), nullptr);
  else
    KillTimer(window, IDT_RETRY);
}

void onTroubleTimer(HWND window) {
  if (!boardView().troubleShown && !boardView().proofDeferred) return static_cast<void>(KillTimer(window, IDT_RETRY));
  if (shareBusy()) return;
  Request look;
  look.job = Job::tick;
  postRequest(look);
}

// An access is over: the view takes the worker's board, and the list and the status bar follow it
// here, not at the next paint. A name list loaded anew builds the rows anew.
void onPublished(HWND window, bool namesLoaded) {
  takePublished();
  endWaiting(window);
  showNamesMissing(window);
  if (namesLoaded) {
    rebuildRows(listOf(window));
    fitFirstStart(window);
    // The notes read and write tavelin.ini: after the rows are painted, since a timer's message
    // waits for every paint, so the start shows the list without waiting for the file.
    SetTimer(window, IDT_NAME_NOTES, 0, nullptr);
  } else
    refreshMemberList(listOf(window));
  showStatusInfo(statusBarOf(window), boardView().statusInfoText);
  if (!shareBusy()) enableBoardButtons(toolbarOf(window), true);
  followTrouble(window);
}

void onAnswer(HWND window, Job job, int outcome) {
  if (job == Job::load) {
    showOwnRow(listOf(window));
    // The rows are what the window is opened for: drawn now, before the bars' first paint, which
    // loads their theme's pictures and glyphs (tens of milliseconds under Wine) and follows at once.
    UpdateWindow(listOf(window));
  }
  if (job == Job::lockState) askToResetLock(window);
  if (job == Job::writeMine) myStateAnswered(window, outcome);
}

// The bars and the list in place for a client area of width x height.
void layOutChildren(HWND window, int width, int height) {
  const RECT box = layOutBars(window, width, height);
  if (HWND list = listOf(window))
    MoveWindow(list, box.left, box.top, box.right - box.left, box.bottom - box.top, FALSE);
}

void onSize(HWND window, WPARAM sizeType, int width, int height) {
  layOutChildren(window, width, height);
  HWND list = listOf(window);
  if (list && (sizeType == SIZE_RESTORED || sizeType == SIZE_MAXIMIZED)) redrawAllRows(list);
  captureWindowRect(window);
}

// The worker's quick look. An access under way reads the board anyway; the interval counts as passed
// even when it keeps this tick from asking.
void onRefreshTimer(HWND window) {
  refreshPeriodPassed(statusBarOf(window));
  showBoardAge(statusBarOf(window));
  if (shareBusy()) return;
  Request tick;
  tick.job = Job::tick;
  postRequest(tick);
}

// The writes a close gave up, named before the window goes, so the member knows to set them again.
void tellUnsaved(HWND window) {
  Request lost[8];
  const int count = unsavedWrites(lost, 8);
  if (count == 0) return;
  char text[1024];
  int used = std::snprintf(
      text, sizeof text,
      "終了までに次の変更を保存できませんでした（ほかのPCがボードを使用中か、共有フォルダーに接続できません）。"
      "次に起動したときにもう一度設定してください：\n");
  for (int i = 0; i < count && used > 0 && used < static_cast<int>(sizeof text); ++i) {
    const Request& r = lost[i];
    char name[store::NameSize + 1];
    text::copyField(name, sizeof name, boardView().displayNames[r.slot], store::NameSize);
    used += r.job == Job::writeMine
                ? std::snprintf(text + used, sizeof text - used, "\n・自分の状態「%s」", r.row.state)
                : std::snprintf(text + used, sizeof text - used, "\n・%s の行", name);
  }
  char lines[sizeof text];
  wrapForMessageBox(window, text, lines, sizeof lines);
  MessageBoxA(window, lines, "保存されていない変更", MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
}

// Out of sight, the window goes once the worker has ended: at once when it is between requests, and
// after closeWaitMs when it is stuck (app.cpp then ends the process without it, its lock deleted).
void onClosingTimer(HWND window) {
  const MainWindow& w = stateOf(window);
  if (!shareWorkerEnded() && GetTickCount64() - w.closeAskedAt < w.closeWaitMs) return;
  KillTimer(window, IDT_CLOSING);
  if (shareWorkerEnded()) tellUnsaved(window);
  DestroyWindow(window);
}

// A row can turn overdue or stale with the clock alone, while the board stays as it was.
// The name list's notes not yet said: at their timer, or at once when the window goes first, so that a
// short run still keeps the names it loaded for the next one to compare with.
void noteNamesNow(HWND window) {
  if (KillTimer(window, IDT_NAME_NOTES)) noteNameList(window, stateOf(window).nameList);
}

void onTimer(HWND window, WPARAM timerId) {
  switch (timerId) {
    case IDT_REFRESH: onRefreshTimer(window); break;
    case IDT_CLOSING: onClosingTimer(window); break;
    case IDT_RETRY: onTroubleTimer(window); break;
    case IDT_NAME_NOTES: noteNamesNow(window); break;
    case IDT_CLOCK:
      redrawChangedFlags(listOf(window));
      showBoardAge(statusBarOf(window));
      break;
    default: break;
  }
}

// At once, from the rows on screen, whatever the worker is doing: the write waits its turn.
void openEntryFor(HWND window, int slot) {
  if (slot == -1 || stateOf(window).closing) return;
  markSlot(listOf(window), slot);
  openEntryDialog(window, listOf(window), slot);
}

void onContextMenu(HWND window, LPARAM screenPoint) {
  HWND list = listOf(window);
  if (list) openEntryFor(window, slotAt(list, screenPoint));
}

// Enter and a double click reach the entry dialog too, so the keyboard alone can change a row. Enter,
// like the context-menu key, means the focused row; a double click the row its first press fell on.
LRESULT onListNotify(HWND window, NMHDR* header) {
  switch (header->code) {
    case NM_RETURN: openEntryFor(window, focusedSlot(header->hwndFrom)); return 0;
    case NM_DBLCLK: openEntryFor(window, pressedSlot(header->hwndFrom)); return 0;
    case LVN_GETDISPINFOA: supplyCell(reinterpret_cast<NMLVDISPINFOA*>(header)); return 0;
    case NM_CUSTOMDRAW: return drawRow(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
    case LVN_COLUMNCLICK:
      sortByColumn(header->hwndFrom, reinterpret_cast<const NMLISTVIEW*>(header)->iSubItem);
      return 0;
    default: return 0;
  }
}

LRESULT onNotify(HWND window, NMHDR* header) {
  if (header->idFrom == IDC_MEMBER_LIST) return onListNotify(window, header);
  supplyToolTip(header);
  return 0;
}

// The status bar's time part, while it warns of an old board.
LRESULT onDrawItem(const DRAWITEMSTRUCT* item) { return drawStatusPart(item) ? TRUE : FALSE; }

// The find box's typing narrows the list; everything else is a command.
void onCommand(HWND window, WPARAM wParam) {
  if (LOWORD(wParam) == IDC_NOTICE_ACTION) return onNoticeAction(window);
  if (LOWORD(wParam) == IDC_NOTICE_CLOSE) return hideNotice(window, shownNotice(window));
  if (LOWORD(wParam) != IDC_FIND) return runCommand(window, LOWORD(wParam));
  if (HIWORD(wParam) == EN_CHANGE) followFindBox(window);
}

// The window's keyboard focus belongs to the list, so arrow keys and Enter act on rows.
void onSetFocus(HWND window) {
  HWND list = listOf(window);
  if (list) SetFocus(list);
}

// The title bar's close and Exit: the column widths and order are kept, unlike on the settings' road.
// The window goes out of sight at once; the worker is told to stop after the request it is in.
void onClose(HWND window) {
  MainWindow& w = stateOf(window);
  if (w.closing) return;
  w.closing = true;
  noteNamesNow(window);
  HWND list = listOf(window);
  saveColumnWidths(list, w.layoutDpi);
  int order[ColumnCount];
  if (columnOrder(list, order)) saveColumnOrder(order);
  ShowWindow(window, SW_HIDE);
  // A write queued or under way is given its time; looks are not waited for.
  w.closeWaitMs = shareWriting() ? StopFinishMs + StopWaitMs : StopWaitMs;
  stopShareWorker();
  w.closeAskedAt = GetTickCount64();
  if (shareWorkerEnded()) {
    DestroyWindow(window);
    return;
  }
  SetTimer(window, IDT_CLOSING, ClosingPollMs, nullptr);
}

bool wasMaximized(HWND window);

// Windows is ending the session: what the window keeps is saved now, as the process may be ended at
// any moment after WM_ENDSESSION.
void saveRecords(HWND window) {
  noteNamesNow(window);
  HWND list = listOf(window);
  saveColumnWidths(list, stateOf(window).layoutDpi);
  int order[ColumnCount];
  if (columnOrder(list, order)) saveColumnOrder(order);
  storeGeometry(stateOf(window));
  saveMaximized(wasMaximized(window));
  settings::savePreferences(local());
  settings::saveHistory(history(), local());
}

LRESULT onQueryEndSession(HWND window) {
  saveRecords(window);
  return TRUE;
}

// The session ends: the write under way is finished or given up within the stop's time, and no lock
// of ours is left however the worker stands.
void onEndSession(HWND window, bool ending) {
  if (!ending) return;
  stateOf(window).closing = true;
  stopShareWorker();
  waitForShareWorker(StopFinishMs);
  saveRecords(window);
  endWithoutWorker(0);
}

// Maximised, or minimised from maximised (closed from the taskbar): it comes back maximised.
bool wasMaximized(HWND window) {
  if (IsZoomed(window)) return true;
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof placement;
  return IsIconic(window) && GetWindowPlacement(window, &placement) && (placement.flags & WPF_RESTORETOMAXIMIZED);
}

// Every road out of a running program passes here; the shutdown after the loop saves the files.
void onDestroy(HWND window) {
  storeGeometry(stateOf(window));
  saveMaximized(wasMaximized(window));
  destroyRowIcons(listOf(window));
  destroyToolbarImages(toolbarOf(window));
  PostQuitMessage(0);
}

// The window moved to a monitor of another DPI (or the DPI changed): every size follows, and the
// window takes the rectangle Windows suggests.
void onDpiChanged(HWND window, int dpi, const RECT* suggested) {
  int& layoutDpi = stateOf(window).layoutDpi;
  rescaleMemberList(listOf(window), layoutDpi, dpi);
  rescaleToolbar(toolbarOf(window), dpi);
  layoutDpi = dpi;
  setUiFont(window, dpi);
  SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
               suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool onNcCreate(HWND window) {
  MainWindow* w = new (std::nothrow) MainWindow();
  if (!w) return false;
  w->layoutDpi = BaseDpi;
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(w));
  return true;
}

void onNcDestroy(HWND window) {
  delete reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  SetWindowLongPtrA(window, GWLP_USERDATA, 0);
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (onStatusMessage(message)) return 0;
  switch (message) {
    case WM_NCCREATE: return onNcCreate(window) ? DefWindowProcA(window, message, wParam, lParam) : FALSE;
    case WM_NCDESTROY: onNcDestroy(window); return 0;
    case WM_CREATE: onCreate(window); return 0;
    case WM_APP_BUSY: onWorkerBusy(window); return 0;
    case WM_APP_PUBLISHED: onPublished(window, wParam != 0); return 0;
    case WM_APP_ANSWER: onAnswer(window, static_cast<Job>(wParam), static_cast<int>(lParam)); return 0;
    case WM_APP_WAITING: onWaiting(window, static_cast<int>(wParam)); return 0;
    case WM_APP_WORKER_ENDED:
      if (stateOf(window).closing) onClosingTimer(window);
      return 0;
    case WM_QUERYENDSESSION: return onQueryEndSession(window);
    case WM_ENDSESSION: onEndSession(window, wParam != 0); return 0;
    case WM_CLOSE: onClose(window); return 0;
    case WM_DESTROY: onDestroy(window); return 0;
    case WM_SIZE: onSize(window, wParam, LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_MOVE: captureWindowRect(window); return 0;
    case WM_NOTIFY: return onNotify(window, reinterpret_cast<NMHDR*>(lParam));
    case WM_DRAWITEM: return onDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_CONTEXTMENU: onContextMenu(window, lParam); return 0;
    case WM_COMMAND: onCommand(window, wParam); return 0;
    case WM_INITMENUPOPUP: updateMenu(window); return 0;
    case WM_TIMER: onTimer(window, wParam); return 0;
    case WM_ACTIVATE: InvalidateRect(window, nullptr, TRUE); return 0;
    case WM_SETFOCUS: onSetFocus(window); return 0;
    case WM_DPICHANGED: onDpiChanged(window, HIWORD(wParam), reinterpret_cast<const RECT*>(lParam)); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

bool registerMainClass() {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = mainWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TAVELIN));
  wc.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TAVELIN));
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszMenuName = MAKEINTRESOURCEA(IDM_MAIN);
  wc.lpszClassName = ClassName;
  return RegisterClassExA(&wc) != 0;
}

// The record's size is in 96-DPI units: the window, made where the record puts it, learns its
// monitor's DPI and takes the size for it before it is first shown.
void sizeForItsDpi(HWND window) {
  const settings::Preferences& p = local().prefs;
  const int dpi = dpiOf(window);
  Box box = {p.windowX.get(), p.windowY.get(), p.windowX.get() + scaled(p.windowWidth.get(), dpi),
             p.windowY.get() + scaled(p.windowHeight.get(), dpi)};
  box = placeOnAMonitor(box);
  RECT now;
  // At 96 DPI it already is there; moving a top-level window to where it is still costs a round of
  // window-manager work.
  if (GetWindowRect(window, &now) && now.left == box.left && now.top == box.top && now.right == box.right &&
      now.bottom == box.bottom)
    return;
  SetWindowPos(window, nullptr, box.left, box.top, box.right - box.left, box.bottom - box.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

BoardWatch* boardWatchOf(HWND mainWindow) {
  MainWindow* w = mainWindow ? reinterpret_cast<MainWindow*>(GetWindowLongPtrA(mainWindow, GWLP_USERDATA)) : nullptr;
  return w ? &w->folderWatch : nullptr;
}

HWND createMainWindow() {
  if (!registerMainClass()) return nullptr;
  const settings::Preferences& p = local().prefs;
  Box box = {p.windowX.get(), p.windowY.get(), p.windowX.get() + p.windowWidth.get(),
             p.windowY.get() + p.windowHeight.get()};
  box = placeOnAMonitor(box);
  // WS_CLIPCHILDREN: erasing the main window on every activation would otherwise wipe the list,
  // which then redraws all its rows (a flicker and a full list paint for nothing).
  HWND window = CreateWindowExA(0, ClassName, Title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, box.left, box.top,
                                box.right - box.left, box.bottom - box.top, nullptr, nullptr, instance, nullptr);
  if (!window) return nullptr;
  sizeForItsDpi(window);
  // Laid out while hidden: the first WM_SIZE comes with ShowWindow, and moving the controls of a
  // window on screen costs their repaints (a tenth of the start under Wine).
  RECT client;
  GetClientRect(window, &client);
  layOutChildren(window, client.right, client.bottom);
  return window;
}

}  // namespace ui

#include "ui/notice_bar.h"

#include <cstring>
#include <new>

#include "ui/dpi.h"
#include "ui/identity.h"
#include "ui/resources/resource.h"
#include "ui/wrap_text.h"

namespace ui {

namespace {

constexpr char BarClass[] = "TavelinNotice";
// A pale amber: noticed beside the white list without reading as an error's red.
constexpr COLORREF Face = RGB(255, 242, 204);
constexpr COLORREF Edge = RGB(214, 180, 90);
constexpr int Padding = 6;
constexpr int ButtonPadding = 12;
constexpr int MaxLines = 3;

// A notice waiting its turn, or shown.
struct Kept {
  Notice kind;
  char text[1024];
  char action[64];
  bool closable;
};

constexpr int KindCount = 6;  // the kinds of Notice, none among them

// Notices are a stack, one of each kind at most: the top one shows, and when it goes the one under it
// shows again, so a state not saved is never lost behind a wait or an old lock's advice. What asks
// something of the member stays above what only informs; a wait in progress is above everything.
struct BarState {
  Kept stack[KindCount];
  int count;
};

int rankOf(Notice kind) {
  switch (kind) {
    case Notice::waiting: return 3;
    case Notice::myState:
    case Notice::oldLock: return 2;
    default: return 1;
  }
}

BarState* stateOf(HWND bar) {
  return bar ? reinterpret_cast<BarState*>(GetWindowLongPtrA(bar, GWLP_USERDATA)) : nullptr;
}

HWND barOf(HWND parent) { return GetDlgItem(parent, IDC_NOTICE_BAR); }

HFONT fontOf(HWND bar) { return reinterpret_cast<HFONT>(SendMessageA(bar, WM_GETFONT, 0, 0)); }

int lineHeight(HWND bar) {
  HDC dc = GetDC(bar);
  if (!dc) return 16;
  HGDIOBJ old = SelectObject(dc, fontOf(bar));
  TEXTMETRICW metrics = {};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(bar, dc);
  return metrics.tmHeight;
}

// The buttons' width from their labels, so a longer label or a larger DPI never cuts them.
int buttonWidth(HWND button) {
  if (!IsWindowVisible(button)) return 0;
  char label[64];
  GetWindowTextA(button, label, sizeof label);
  const int dpi = dpiOf(button);
  const int fitted = textWidthIn(button, label) + 2 * scaled(ButtonPadding, dpi);
  return fitted > scaled(28, dpi) ? fitted : scaled(28, dpi);
}

// The text's room: the bar less its buttons on the right.
RECT textRoom(HWND bar) {
  RECT r;
  GetClientRect(bar, &r);
  const int dpi = dpiOf(bar);
  r.left += scaled(Padding, dpi);
  HWND action = GetDlgItem(bar, IDC_NOTICE_ACTION);
  if (IsWindowVisible(action)) {
    RECT b;
    GetWindowRect(action, &b);
    MapWindowPoints(nullptr, bar, reinterpret_cast<POINT*>(&b), 2);
    r.right = b.left - scaled(Padding, dpi);
  } else {
    HWND close = GetDlgItem(bar, IDC_NOTICE_CLOSE);
    RECT b;
    GetWindowRect(close, &b);
    MapWindowPoints(nullptr, bar, reinterpret_cast<POINT*>(&b), 2);
    if (IsWindowVisible(close)) r.right = b.left - scaled(Padding, dpi);
  }
  return r;
}

void paint(HWND bar) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(bar, &ps);
  RECT r;
  GetClientRect(bar, &r);
  HBRUSH face = CreateSolidBrush(Face);
  FillRect(dc, &r, face);
  DeleteObject(face);
  HBRUSH edge = CreateSolidBrush(Edge);
  RECT line = {r.left, r.bottom - 1, r.right, r.bottom};
  FillRect(dc, &line, edge);
  DeleteObject(edge);
  char text[1024];
  GetWindowTextA(bar, text, sizeof text);
  wchar_t wide[1024];
  HGDIOBJ old = SelectObject(dc, fontOf(bar));
  const RECT room = textRoom(bar);
  char lines[1024];
  wrapForWidth(dc, text, room.right - room.left - 1, lines, sizeof lines);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  // As many lines as the bar has room for, centred: what does not fit ends in an ellipsis.
  const int length = wideText(lines, wide, 1024);
  RECT used = room;
  const UINT format = DT_WORDBREAK | DT_EDITCONTROL | DT_LEFT | DT_NOPREFIX;
  DrawTextW(dc, wide, length, &used, format | DT_CALCRECT);
  RECT r2 = room;
  const int height = used.bottom - used.top;
  if (height < room.bottom - room.top) r2.top += (room.bottom - room.top - height) / 2;
  DrawTextW(dc, wide, length, &r2, format | DT_END_ELLIPSIS);
  SelectObject(dc, old);
  EndPaint(bar, &ps);
}

// The buttons right-aligned, the text before them.
void placeButtons(HWND bar) {
  RECT r;
  GetClientRect(bar, &r);
  const int dpi = dpiOf(bar);
  const int gap = scaled(4, dpi);
  const int height = lineHeight(bar) + 2 * scaled(Padding, dpi) - 2 * gap + scaled(4, dpi);
  const int top = (r.bottom - height) / 2;
  int right = r.right - gap;
  HWND close = GetDlgItem(bar, IDC_NOTICE_CLOSE);
  if (IsWindowVisible(close)) {
    const int w = height;
    MoveWindow(close, right - w, top, w, height, TRUE);
    right -= w + gap;
  }
  HWND action = GetDlgItem(bar, IDC_NOTICE_ACTION);
  const int w = buttonWidth(action);
  if (w) MoveWindow(action, right - w, top, w, height, TRUE);
}

bool onNcCreate(HWND bar) {
  BarState* state = new (std::nothrow) BarState();
  if (!state) return false;
  state->count = 0;
  SetWindowLongPtrA(bar, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
  return true;
}

void onNcDestroy(HWND bar) {
  delete stateOf(bar);
  SetWindowLongPtrA(bar, GWLP_USERDATA, 0);
}

LRESULT CALLBACK barProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE: return onNcCreate(bar) ? DefWindowProcA(bar, message, wParam, lParam) : FALSE;
    case WM_NCDESTROY: onNcDestroy(bar); return 0;
    case WM_PAINT: paint(bar); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE: placeButtons(bar); return 0;
    case WM_SETFONT:
      SetPropA(bar, "font", reinterpret_cast<HANDLE>(wParam));
      SendDlgItemMessageA(bar, IDC_NOTICE_ACTION, WM_SETFONT, wParam, lParam);
      SendDlgItemMessageA(bar, IDC_NOTICE_CLOSE, WM_SETFONT, wParam, lParam);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(GetPropA(bar, "font"));
    case WM_COMMAND: return SendMessageA(GetParent(bar), WM_COMMAND, wParam, lParam);
    case WM_DESTROY: RemovePropA(bar, "font"); return 0;
    default: return DefWindowProcA(bar, message, wParam, lParam);
  }
}

HWND button(HWND bar, int id, const char* label) {
  return CreateWindowExA(0, "BUTTON", label, WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0, bar,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

void relayOut(HWND parent) {
  RECT client;
  GetClientRect(parent, &client);
  SendMessageA(parent, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
}

}  // namespace

HWND createNoticeBar(HWND parent) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = barProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = BarClass;
    registered = RegisterClassExA(&wc) != 0;
  }
  HWND bar = CreateWindowExA(0, BarClass, "", WS_CHILD | WS_CLIPCHILDREN, 0, 0, 0, 0, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_NOTICE_BAR)), instance, nullptr);
  if (!bar) return nullptr;
  button(bar, IDC_NOTICE_ACTION, "");
  button(bar, IDC_NOTICE_CLOSE, "×");
  return bar;
}

namespace {

// The top of the stack into the bar, or the bar hidden when the stack is empty.
void showTop(HWND parent, HWND bar, const BarState& state) {
  const bool wasVisible = IsWindowVisible(bar) != FALSE;
  if (state.count == 0) {
    if (!wasVisible) return;
    ShowWindow(bar, SW_HIDE);
    return relayOut(parent);
  }
  const Kept& top = state.stack[state.count - 1];
  SetWindowTextA(bar, top.text);
  HWND actionButton = GetDlgItem(bar, IDC_NOTICE_ACTION);
  SetWindowTextA(actionButton, top.action);
  ShowWindow(actionButton, top.action[0] ? SW_SHOWNA : SW_HIDE);
  ShowWindow(GetDlgItem(bar, IDC_NOTICE_CLOSE), top.closable ? SW_SHOWNA : SW_HIDE);
  InvalidateRect(bar, nullptr, TRUE);
  if (!wasVisible) ShowWindow(bar, SW_SHOWNA);
  // Its height follows the text's lines.
  relayOut(parent);
}

// The notice of this kind out of the stack, wherever it stands; whether there was one.
bool take(BarState& state, Notice kind) {
  for (int i = 0; i < state.count; ++i) {
    if (state.stack[i].kind != kind) continue;
    for (int j = i + 1; j < state.count; ++j) state.stack[j - 1] = state.stack[j];
    --state.count;
    return true;
  }
  return false;
}

}  // namespace

void showNotice(HWND parent, Notice kind, const char* text, const char* action, bool closable) {
  HWND bar = barOf(parent);
  BarState* state = stateOf(bar);
  if (!state || kind == Notice::none) return;
  take(*state, kind);
  // Above every notice of its rank or lower, below those of a higher one.
  int at = state->count;
  while (at > 0 && rankOf(state->stack[at - 1].kind) > rankOf(kind)) --at;
  for (int j = state->count; j > at; --j) state->stack[j] = state->stack[j - 1];
  Kept& kept = state->stack[at];
  kept.kind = kind;
  lstrcpynA(kept.text, text, sizeof kept.text);
  lstrcpynA(kept.action, action ? action : "", sizeof kept.action);
  kept.closable = closable;
  ++state->count;
  showTop(parent, bar, *state);
}

void hideNotice(HWND parent, Notice kind) {
  HWND bar = barOf(parent);
  BarState* state = stateOf(bar);
  if (state && take(*state, kind)) showTop(parent, bar, *state);
}

Notice shownNotice(HWND parent) {
  const BarState* state = stateOf(barOf(parent));
  return state && state->count > 0 ? state->stack[state->count - 1].kind : Notice::none;
}

bool hasNotice(HWND parent, Notice kind) {
  const BarState* state = stateOf(barOf(parent));
  for (int i = 0; state && i < state->count; ++i)
    if (state->stack[i].kind == kind) return true;
  return false;
}

// A text wider than its room takes more lines, up to MaxLines.
int linesFor(HWND bar, int width) {
  const int dpi = dpiOf(bar);
  int room = width - 3 * scaled(Padding, dpi);
  HWND close = GetDlgItem(bar, IDC_NOTICE_CLOSE);
  if (IsWindowVisible(close)) room -= lineHeight(bar) + 2 * scaled(Padding, dpi);
  room -= buttonWidth(GetDlgItem(bar, IDC_NOTICE_ACTION));
  char text[1024];
  GetWindowTextA(bar, text, sizeof text);
  if (room <= scaled(Padding, dpi)) return MaxLines;
  // The lines as the paint will break them, in a little less room than it has, so none is cut.
  HDC dc = GetDC(bar);
  if (!dc) return MaxLines;
  HGDIOBJ old = SelectObject(dc, fontOf(bar));
  char wrapped[1024];
  wrapForWidth(dc, text, room - scaled(Padding, dpi), wrapped, sizeof wrapped);
  SelectObject(dc, old);
  ReleaseDC(bar, dc);
  int lines = 1;
  for (const char* p = wrapped; *p; ++p) lines += *p == '\n';
  return lines < MaxLines ? lines : MaxLines;
}

int layOutNoticeBar(HWND bar, int y, int width) {
  if (!bar || !IsWindowVisible(bar)) return 0;
  const int dpi = dpiOf(bar);
  const int height = linesFor(bar, width) * lineHeight(bar) + 2 * scaled(Padding, dpi) + scaled(4, dpi);
  MoveWindow(bar, 0, y, width, height, TRUE);
  placeButtons(bar);
  return height;
}

}  // namespace ui

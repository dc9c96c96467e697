#include "ui/member_list.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

#include "platform/system.h"
#include "settings/preferences.h"
#include "store/board.h"
#include "store/names.h"
#include "store/row_flags.h"
#include "store/row_words.h"
#include "text/bounded.h"
#include "ui/board_view.h"
#include "ui/colours.h"
#include "ui/columns.h"
#include "ui/control_proc.h"
#include "ui/dpi.h"
#include "ui/identity.h"
#include "ui/image_strip.h"
#include "ui/resources/resource.h"
#include "ui/row_view.h"
#include "ui/session.h"
#include "ui/user_settings.h"

namespace ui {

namespace {

// A column's width as kept: in the preferences record, or for a column it has no room for, in tavelin.ini.
int keptWidth(int column) {
  const Column& c = columnAt(column);
  return c.width ? (local().prefs.*c.width).get() : savedColumnWidth(c.iniKey, c.defaultWidth);
}

void keepWidth(int column, int width) {
  const Column& c = columnAt(column);
  if (c.width)
    (local().prefs.*c.width).set(width);
  else
    saveColumnWidth(c.iniKey, width);
}

// What the list shows and how, kept with the list itself (its GWLP_USERDATA), made with it and
// destroyed before it goes.
struct ListState {
  // What the list shows, as an image. The list holds no texts of its own (an owner-data list asks
  // for the cells it paints), so start-up inserts nothing, and a repaint redraws only the rows whose
  // texts changed since they were last shown.
  store::BoardImage shown;
  int members;  // the members the list was built for
  // The rows on screen: which members, in which order.
  ViewRule rule;
  RowView view;
  // The overdue and stale flags each row was last drawn with, so the clock alone can redraw a row.
  unsigned char flagsDrawn[store::MaxMembers];
  char ownName[store::NameSize];
  int own;
  HFONT normalFont;
  Font boldFont;
  // Taken once per paint: every row of one paint is judged at the same minute.
  std::tm paintTime;
  COLORREF textColour;
  StripPainter rowIcons;
  // The member under the last mouse press, hit-tested before the list scrolls a half-visible row into
  // view, and where (screen coordinates): the context menu and a double click that follow mean that member.
  int pressedSlot;
  POINT pressedAt;
};

// Null for no list, or one made elsewhere.
ListState* stateOf(HWND list) {
  return list ? reinterpret_cast<ListState*>(GetWindowLongPtrA(list, GWLP_USERDATA)) : nullptr;
}

// Whether the board image holds other bytes for the slot than the list shows (the names are this PC's).
bool rowChanged(const ListState& s, int slot) {
  for (int field = 1; field < store::FieldCount; ++field) {
    const store::Field f = static_cast<store::Field>(field);
    if (std::memcmp(store::fieldBytesOf(boardView().board, slot, f), store::fieldBytesOf(s.shown, slot, f),
                    store::fieldSize(f)) != 0)
      return true;
  }
  return false;
}

// The slot's fields from the board image into what the list shows.
void showRow(ListState& s, int slot) {
  for (int field = 1; field < store::FieldCount; ++field) {
    const store::Field f = static_cast<store::Field>(field);
    std::memcpy(store::fieldBytesOf(s.shown, slot, f), store::fieldBytesOf(boardView().board, slot, f),
                store::fieldSize(f));
  }
}

// Rows first to last drawn again, as far as they are in sight, as one invalidated rectangle: the list's
// own range redraw invalidates row by row (6 ms a page under Wine). A row out of sight needs nothing,
// since the list asks for a row's cells when it draws it.
void redrawRowsInSight(HWND list, int first, int last) {
  const int top = ListView_GetTopIndex(list);
  const int bottom = top + ListView_GetCountPerPage(list);  // the row cut off below the page too
  if (first < top) first = top;
  if (last > bottom) last = bottom;
  RECT band, lastRow, client;
  if (first > last || !ListView_GetItemRect(list, first, &band, LVIR_BOUNDS) ||
      !ListView_GetItemRect(list, last, &lastRow, LVIR_BOUNDS) || !GetClientRect(list, &client))
    return;
  band.left = client.left;
  band.right = client.right;
  band.bottom = lastRow.bottom;
  InvalidateRect(list, &band, TRUE);
}

// A cell's text has the list's margins on both sides; the first column has the row's icon too.
constexpr int CellPadding = 14;
constexpr int RowIconRoom = 16 + 4 + CellPadding;
// A header's text beside the sort arrow.
constexpr int SortArrowRoom = 12 + 2 * CellPadding;

int headerRoom(HWND list, int column) {
  return textWidthIn(list, columnAt(column).header) + scaled(SortArrowRoom, dpiOf(list));
}

// A sorted column shows its whole header beside the arrow.
void widenForHeader(HWND list, int column) {
  const int room = headerRoom(list, column);
  if (ListView_GetColumnWidth(list, column) < room) ListView_SetColumnWidth(list, column, room);
}

void insertColumns(HWND list, int dpi) {
  for (int i = 0; i < ColumnCount; ++i) {
    char header[32];
    lstrcpynA(header, columnAt(i).header, sizeof header);
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = scaled(keptWidth(i), dpi);
    column.pszText = header;
    column.iSubItem = i;
    ListView_InsertColumn(list, i, &column);
  }
}

// One icon per state, in the order of State, then the one of no plan, side by side in one strip: one
// load at start-up instead of five. The strips come in 16, 24 and 32 pixels; the largest that fits
// the DPI's size is stretched to it. Fuchsia, used by no picture, is their clear colour.
ImageStrip rowIconStrip(int size) {
  const int drawn = size >= 32 ? 32 : size >= 24 ? 24 : 16;
  const int bitmap = drawn == 32 ? IDB_ROW_ICONS_32 : drawn == 24 ? IDB_ROW_ICONS_24 : IDB_ROW_ICONS_16;
  return {bitmap, store::StateCount + 1, drawn, drawn, RGB(255, 0, 255)};
}

// The list's image list has the icons' size and no pictures: it keeps their place in the first column
// and draws nothing (an index past its end), and the icons are drawn after each row (drawIcon).
void setRowIcons(ListState& s, HWND list, int dpi) {
  const int size = scaled(16, dpi);
  s.rowIcons.load(rowIconStrip(size), size, size);
  HIMAGELIST old = ListView_SetImageList(list, ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 0, 1), LVSIL_SMALL);
  if (old) ImageList_Destroy(old);
}

int iconOf(const ListState& s, int slot) { return static_cast<int>(store::stateOfRow(s.shown, slot)); }

// The row's icon in the place the list keeps for it, cut to that place when the first column is narrower.
void drawIcon(const ListState& s, const NMLVCUSTOMDRAW* draw) {
  const int row = static_cast<int>(draw->nmcd.dwItemSpec);
  const int slot = slotOfRow(s.view, row);
  RECT place;
  if (slot < 0 || !ListView_GetItemRect(draw->nmcd.hdr.hwndFrom, row, &place, LVIR_ICON)) return;
  s.rowIcons.draw(draw->nmcd.hdc, iconOf(s, slot), place.left, place.top, place.right - place.left,
                  place.bottom - place.top);
}

// The header's arrow on the sorted column, none on the others.
void showSortArrow(const ListState& s, HWND list) {
  HWND header = ListView_GetHeader(list);
  for (int i = 0; i < ColumnCount; ++i) {
    HDITEMA item = {};
    item.mask = HDI_FORMAT;
    Header_GetItem(header, i, &item);
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (i == s.rule.column) item.fmt |= s.rule.descending ? HDF_SORTDOWN : HDF_SORTUP;
    Header_SetItem(header, i, &item);
  }
}

// A list on screen whose row count changes redraws its scroll bars at every step of its own layout
// (up to five themed redraws under Wine with both bars), and lays itself out once more at its first
// paint with rows (up to four more). Out of drawing (the plain window's WM_SETREDRAW: the list's own
// would also stop its layout), no step draws; the first-paint layout is done at once into a one-pixel
// DC; then the list and its header are drawn once. DefWindowProc's WM_SETREDRAW validates the list and
// its header, so both are invalidated whole afterwards.
class ListOutOfDrawing {
 public:
  explicit ListOutOfDrawing(HWND list) : list_(IsWindowVisible(list) ? list : nullptr) {
    if (list_) DefWindowProcA(list_, WM_SETREDRAW, FALSE, 0);
  }
  ~ListOutOfDrawing() {
    if (!list_) return;
    if (HDC dc = CreateCompatibleDC(nullptr)) {
      if (HRGN pixel = CreateRectRgn(0, 0, 1, 1)) {
        SelectClipRgn(dc, pixel);
        DeleteObject(pixel);
        SendMessageA(list_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
      }
      DeleteDC(dc);
    }
    DefWindowProcA(list_, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(list_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  }
  ListOutOfDrawing(const ListOutOfDrawing&) = delete;
  ListOutOfDrawing& operator=(const ListOutOfDrawing&) = delete;

 private:
  HWND list_;
};

// The view found and sorted again. The focused member keeps the focus (and its selection) in
// whatever row they move to. Unless forced (rows built anew), an unchanged view is left alone.
void arrange(ListState& s, HWND list, bool force = false) {
  RowView before = s.view;
  const int focused = focusedSlot(list);
  const bool selected = focused >= 0 && ListView_GetItemState(list, rowOfSlot(s.view, focused), LVIS_SELECTED);
  arrangeRows(s.shown, boardView().displayNames, s.members, s.rule, s.view);
  if (!force && s.view.count == before.count &&
      std::memcmp(s.view.slots, before.slots, sizeof s.view.slots[0] * static_cast<size_t>(s.view.count)) == 0)
    return;
  ListOutOfDrawing quiet(list);
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetItemCountEx(list, s.view.count, 0);
  const int row = rowOfSlot(s.view, focused);
  if (row >= 0) {
    const UINT state = LVIS_FOCUSED | (selected ? LVIS_SELECTED : 0);
    ListView_SetItemState(list, row, state, LVIS_SELECTED | LVIS_FOCUSED);
  }
  InvalidateRect(list, nullptr, TRUE);
}

void findOwnSlot(ListState& s) {
  s.own = -1;
  if (!s.ownName[0]) return;
  for (int slot = 0; slot < s.members && s.own < 0; ++slot)
    if (std::strncmp(boardView().displayNames[slot], s.ownName, store::NameSize) == 0) s.own = slot;
}

// The selection's background, pale: a selected row keeps its colours (an overdue time's red, the grey
// of yesterday's plans), which the system's dark highlight would paint over.
COLORREF paleSelection(HWND list) {
  const COLORREF h = GetSysColor(GetFocus() == list ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
  const COLORREF w = GetSysColor(COLOR_WINDOW);
  const auto mix = [](int high, int window) { return (high + 3 * window) / 4; };
  return RGB(mix(GetRValue(h), GetRValue(w)), mix(GetGValue(h), GetGValue(w)), mix(GetBValue(h), GetBValue(w)));
}

// One cell: the whole row grey when it is yesterday's, the return time red when it is overdue, and
// my row bold. Every cell sets its font and colour, so nothing carries over from the cell before.
LRESULT drawCell(ListState& s, NMLVCUSTOMDRAW* draw) {
  const int slot = slotOfRow(s.view, static_cast<int>(draw->nmcd.dwItemSpec));
  if (slot < 0) return CDRF_DODEFAULT;
  const unsigned char flags = store::flagsOf(s.shown, slot, s.paintTime);
  s.flagsDrawn[slot] = flags;
  HWND list = draw->nmcd.hdr.hwndFrom;
  if (ListView_GetItemState(list, static_cast<int>(draw->nmcd.dwItemSpec), LVIS_SELECTED)) {
    draw->nmcd.uItemState &= ~(CDIS_SELECTED | CDIS_FOCUS);
    draw->clrTextBk = paleSelection(list);
  } else {
    draw->clrTextBk = CLR_DEFAULT;
  }
  draw->clrText = s.textColour;
  if (flags & store::Stale) draw->clrText = GetSysColor(COLOR_GRAYTEXT);
  if ((flags & store::Overdue) && showsOverdue(draw->iSubItem)) draw->clrText = AttentionRed;
  HFONT font = slot == s.own && s.boldFont.get() ? s.boldFont.get() : s.normalFont;
  if (font) SelectObject(draw->nmcd.hdc, font);
  return CDRF_NEWFONT;
}

// Whether two screen points are one click's, as far as the system's drag distance goes.
bool samePlace(POINT a, POINT b) {
  return std::abs(a.x - b.x) <= GetSystemMetrics(SM_CXDRAG) && std::abs(a.y - b.y) <= GetSystemMetrics(SM_CYDRAG);
}

void notePress(ListState& s, HWND list, LPARAM clientPoint) {
  LVHITTESTINFO hit = {};
  hit.pt.x = GET_X_LPARAM(clientPoint);
  hit.pt.y = GET_Y_LPARAM(clientPoint);
  s.pressedAt = hit.pt;
  ClientToScreen(list, &s.pressedAt);
  s.pressedSlot = slotOfRow(s.view, ListView_HitTest(list, &hit));
}

// A press is hit-tested before the list sees it: the list scrolls a half-visible row into view as it
// takes the press, and the point then lies on the next row. A double click means its first press's row;
// one without a first press at the same place, the row under it.
WNDPROC listProc;

LRESULT CALLBACK takePress(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  ListState* s = stateOf(list);
  if (s && (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN)) notePress(*s, list, lParam);
  if (s && message == WM_LBUTTONDBLCLK) {
    POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(list, &at);
    if (!samePlace(s->pressedAt, at)) notePress(*s, list, lParam);
  }
  return passOn(listProc, list, message, wParam, lParam);
}

HFONT createBoldFont(HFONT from) {
  LOGFONTW font = {};
  if (!from || !GetObjectW(from, sizeof font, &font)) return nullptr;
  font.lfWeight = FW_BOLD;
  return CreateFontIndirectW(&font);
}

}  // namespace

// Made in its place with its font before its columns, so the header is laid out once. The selection
// stays in sight while the entry dialog has the focus; a cell cut short shows its whole text under the mouse.
HWND createMemberList(HWND parent, int dpi, const RECT& box, HFONT font) {
  HWND list = CreateWindowExA(0, WC_LISTVIEWA, "",
                              WS_CHILD | WS_VISIBLE | WS_DLGFRAME | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_OWNERDATA,
                              box.left, box.top, box.right - box.left, box.bottom - box.top, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MEMBER_LIST)), instance, nullptr);
  if (!list) return nullptr;
  ListState* s = new (std::nothrow) ListState();
  if (!s) {
    DestroyWindow(list);
    return nullptr;
  }
  s->rule = {"", -1, false};
  s->own = -1;
  s->pressedSlot = -1;
  SetWindowLongPtrA(list, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(s));
  frontControl(list, takePress, listProc);
  // Out of drawing (the list's own WM_SETREDRAW), the list lays itself and its header out once when
  // it is set up, not again for its styles, font, each column and its icons: under Wine that was 82
  // moves of the header, each a round trip to the window server.
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  const DWORD styles = LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP | LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP;
  ListView_SetExtendedListViewStyleEx(list, styles, styles);
  setListFont(list, font);
  insertColumns(list, dpi);
  setRowIcons(*s, list, dpi);
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  return list;
}

void rebuildRows(HWND list) {
  ListState* state = stateOf(list);
  if (!state) return;
  ListState& s = *state;
  s.members = boardView().memberCount;
  for (int slot = 0; slot < s.members; ++slot) showRow(s, slot);
  findOwnSlot(s);
  arrange(s, list, true);
}

// The changed rows take the image's texts and are drawn again. One redraw per changed row cost 300
// list messages and invalidations after the first read.
void refreshMemberList(HWND list) {
  ListState* state = stateOf(list);
  if (!state) return;
  ListState& s = *state;
  bool any = false;
  int first = s.view.count, last = -1;
  for (int slot = 0; slot < s.members; ++slot) {
    if (!rowChanged(s, slot)) continue;
    showRow(s, slot);
    any = true;
    const int row = rowOfSlot(s.view, slot);
    if (row >= 0 && row < first) first = row;
    if (row > last) last = row;
  }
  redrawRowsInSight(list, first, last);
  if (any) arrange(s, list);
}

void supplyCell(NMLVDISPINFOA* info) {
  const ListState* state = stateOf(info->hdr.hwndFrom);
  if (!state) return;
  const ListState& s = *state;
  LVITEMA& item = info->item;
  const int slot = slotOfRow(s.view, item.iItem);
  if (slot < 0 || item.iSubItem < 0 || item.iSubItem >= ColumnCount) return;
  if (item.mask & LVIF_IMAGE) item.iImage = iconOf(s, slot);
  if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
  columnAt(item.iSubItem)
      .text(s.shown, boardView().displayNames, slot, item.pszText, static_cast<size_t>(item.cchTextMax));
}

LRESULT drawRow(NMLVCUSTOMDRAW* draw) {
  ListState* state = stateOf(draw->nmcd.hdr.hwndFrom);
  if (!state) return CDRF_DODEFAULT;
  ListState& s = *state;
  switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT: {
      s.paintTime = std::tm{};
      platform::localNow(&s.paintTime);
      const COLORREF set = ListView_GetTextColor(draw->nmcd.hdr.hwndFrom);
      s.textColour = set == CLR_DEFAULT ? GetSysColor(COLOR_WINDOWTEXT) : set;
      return CDRF_NOTIFYITEMDRAW;
    }
    // The item stage's font and colour serve the whole row; only an overdue row, whose return time
    // alone is red, asks for its cells one by one (the first column keeps the item stage's, on Wine).
    case CDDS_ITEMPREPAINT: {
      const LRESULT chosen = drawCell(s, draw) | CDRF_NOTIFYPOSTPAINT;
      const int slot = slotOfRow(s.view, static_cast<int>(draw->nmcd.dwItemSpec));
      return slot >= 0 && (s.flagsDrawn[slot] & store::Overdue) ? chosen | CDRF_NOTIFYSUBITEMDRAW : chosen;
    }
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: return drawCell(s, draw);
    case CDDS_ITEMPOSTPAINT: drawIcon(s, draw); return CDRF_DODEFAULT;
    default: return CDRF_DODEFAULT;
  }
}

void redrawChangedFlags(HWND list) {
  ListState* state = stateOf(list);
  if (!state) return;
  ListState& s = *state;
  std::tm now = {};
  platform::localNow(&now);
  int first = s.view.count, last = -1;
  for (int row = 0; row < s.view.count; ++row) {
    const int slot = s.view.slots[row];
    if (store::flagsOf(s.shown, slot, now) == s.flagsDrawn[slot]) continue;
    if (row < first) first = row;
    last = row;
  }
  redrawRowsInSight(list, first, last);
}

// One invalidation, not one per row.
void redrawAllRows(HWND list) { InvalidateRect(list, nullptr, TRUE); }

void saveColumnWidths(HWND list, int dpi) {
  if (!list) return;
  for (int i = 0; i < ColumnCount; ++i) keepWidth(i, unscaled(ListView_GetColumnWidth(list, i), dpi));
}

void rescaleMemberList(HWND list, int fromDpi, int toDpi) {
  if (!list || fromDpi == toDpi) return;
  for (int i = 0; i < ColumnCount; ++i)
    ListView_SetColumnWidth(list, i, MulDiv(ListView_GetColumnWidth(list, i), toDpi, fromDpi));
  if (ListState* s = stateOf(list)) setRowIcons(*s, list, toDpi);
}

void setListFont(HWND list, HFONT font) {
  ListState* state = stateOf(list);
  if (!state) return;
  ListState& s = *state;
  s.normalFont = font;
  s.boldFont.reset(createBoldFont(font));
  SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

bool columnOrder(HWND list, int (&order)[ColumnCount]) {
  return list && ListView_GetColumnOrderArray(list, ColumnCount, order);
}

void setColumnOrder(HWND list, const int (&order)[ColumnCount]) {
  int copy[ColumnCount];
  std::memcpy(copy, order, sizeof copy);
  if (list) ListView_SetColumnOrderArray(list, ColumnCount, copy);
}

// The list would destroy its image list itself; detached first, it is destroyed exactly once.
void destroyRowIcons(HWND list) {
  ListState* state = stateOf(list);
  if (!state) return;
  HIMAGELIST icons = ListView_SetImageList(list, nullptr, LVSIL_SMALL);
  if (icons) ImageList_Destroy(icons);
  SetWindowLongPtrA(list, GWLP_USERDATA, 0);
  delete state;
}

void findMembers(HWND list, const char* text) {
  ListState* state = stateOf(list);
  if (!state) return;
  ListState& s = *state;
  text::copyField(s.rule.find, sizeof s.rule.find, text, std::strlen(text) + 1);
  arrange(s, list);
}

// A header click: ascending, descending, then the name list's order again.
void sortByColumn(HWND list, int column) {
  ListState* state = stateOf(list);
  if (!state || column < 0 || column >= ColumnCount) return;
  ListState& s = *state;
  if (s.rule.column == column && s.rule.descending) {
    s.rule.column = -1;
    s.rule.descending = false;
  } else {
    s.rule.descending = s.rule.column == column;
    s.rule.column = column;
    widenForHeader(list, column);
  }
  showSortArrow(s, list);
  arrange(s, list);
}

bool widthsAreDefaults() {
  for (int i = 0; i < ColumnCount; ++i)
    if (keptWidth(i) != columnAt(i).defaultWidth) return false;
  return true;
}

namespace {

// A text's width in my row's bold, which is wider than the list's font: every column of my row is bold.
int boldWidth(HWND list, const ListState& s, const char* text) {
  return textWidthWith(list, s.boldFont.get() ? s.boldFont.get() : s.normalFont, text);
}

// Columns wider together than room give way: the name column first, down to its header and a few
// characters, then the plans, down to their headers; the time, state and return columns stay whole.
void giveWay(HWND list, int (&widths)[ColumnCount], int room) {
  int total = 0;
  for (int w : widths) total += w;
  for (int pass = 0; pass < 2 && total > room; ++pass) {
    for (int i = 0; i < ColumnCount && total > room; ++i) {
      const Fit fit = columnAt(i).fit;
      if ((pass == 0) != (fit == Fit::name) || (pass == 1 && i != 1 && i != 2)) continue;
      int least = headerRoom(list, i);
      if (fit == Fit::name) {
        const int someName = textWidthIn(list, "山田 太郎(101)") + scaled(RowIconRoom, dpiOf(list));
        least = least > someName ? least : someName;
      }
      const int spare = widths[i] - least;
      if (spare <= 0) continue;
      const int taken = spare < total - room ? spare : total - room;
      widths[i] -= taken;
      total -= taken;
    }
  }
}

}  // namespace

void fitColumnsToTexts(HWND list, int room) {
  ListState* state = stateOf(list);
  if (!state) return;
  ListState& s = *state;
  const int dpi = dpiOf(list);
  int name = 0;
  for (int slot = 0; slot < s.members; ++slot) {
    char text[store::NameSize + 1];
    text::copyField(text, sizeof text, boardView().displayNames[slot], store::NameSize);
    const int w = boldWidth(list, s, text);
    name = w > name ? w : name;
  }
  // The icon before the name.
  name += scaled(RowIconRoom, dpi);
  int states = 0;
  for (const char* text : store::StateTexts) {
    const int w = boldWidth(list, s, text);
    states = w > states ? w : states;
  }
  const int stamp = boldWidth(list, s, "00/00/00 00:00");
  int widths[ColumnCount];
  for (int i = 0; i < ColumnCount; ++i) {
    int width = ListView_GetColumnWidth(list, i);
    switch (columnAt(i).fit) {
      case Fit::name: width = name; break;
      case Fit::states: width = states + scaled(CellPadding, dpi); break;
      case Fit::stamp: width = stamp + scaled(CellPadding, dpi); break;
      case Fit::asIs: break;
    }
    const int header = headerRoom(list, i);
    widths[i] = width > header ? width : header;
  }
  giveWay(list, widths, room);
  for (int i = 0; i < ColumnCount; ++i) ListView_SetColumnWidth(list, i, widths[i]);
}

int columnsWidth(HWND list) {
  int total = 0;
  for (int i = 0; i < ColumnCount; ++i) total += ListView_GetColumnWidth(list, i);
  return total;
}

void setOwnName(HWND list, const char* name) {
  ListState* state = stateOf(list);
  if (!state) return;
  ListState& s = *state;
  text::copyField(s.ownName, sizeof s.ownName, name, std::strlen(name) + 1);
  findOwnSlot(s);
  InvalidateRect(list, nullptr, TRUE);
}

int ownSlot(HWND list) {
  const ListState* s = stateOf(list);
  return s ? s->own : -1;
}

void showOwnRow(HWND list) {
  const ListState* s = stateOf(list);
  const int row = s ? rowOfSlot(s->view, s->own) : -1;
  if (row < 0) return;
  ListView_SetItemState(list, row, LVIS_FOCUSED, LVIS_FOCUSED);
  ListView_EnsureVisible(list, row, FALSE);
}

// The context-menu key and Shift+F10 give the point -1, -1; then the focused row is the one meant.
int slotAt(HWND list, LPARAM screenPoint) {
  const int x = GET_X_LPARAM(screenPoint), y = GET_Y_LPARAM(screenPoint);
  if (x == -1 && y == -1) return focusedSlot(list);
  const ListState* s = stateOf(list);
  if (s && samePlace(s->pressedAt, POINT{x, y})) return s->pressedSlot;
  LVHITTESTINFO hit = {};
  hit.pt.x = x;
  hit.pt.y = y;
  ScreenToClient(list, &hit.pt);
  return slotInRow(list, ListView_HitTest(list, &hit));
}

int pressedSlot(HWND list) {
  const ListState* s = stateOf(list);
  return s ? s->pressedSlot : -1;
}

int focusedSlot(HWND list) { return slotInRow(list, ListView_GetNextItem(list, -1, LVNI_FOCUSED)); }

int slotInRow(HWND list, int row) {
  const ListState* s = stateOf(list);
  return s ? slotOfRow(s->view, row) : -1;
}

void markSlot(HWND list, int slot) {
  const ListState* s = stateOf(list);
  const int row = s ? rowOfSlot(s->view, slot) : -1;
  if (row < 0) return;
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
  ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(list, row, FALSE);
}

}  // namespace ui

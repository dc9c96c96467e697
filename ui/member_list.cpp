#include "ui/member_list.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cstring>

#include "settings/preferences.h"
#include "store/board.h"
#include "store/names.h"
#include "text/bounded.h"
#include "ui/app.h"
#include "ui/dpi.h"
#include "ui/resources/resource.h"

namespace ui {

namespace {

// Column i shows field i of the board's field table; its width is kept in the preferences.
struct Column {
  settings::Le16 settings::Preferences::*width;
  store::Field field;
  const char* header() const { return store::fieldInfo(field).header; }
};

static_assert(ColumnCount == store::FieldCount, "one column per field");

const Column columns[store::FieldCount] = {
    {&settings::Preferences::colWidthName, store::Field::name},
    {&settings::Preferences::colWidthMorning, store::Field::morning},
    {&settings::Preferences::colWidthAfternoon, store::Field::afternoon},
    {&settings::Preferences::colWidthReturn, store::Field::returnTime},
    {&settings::Preferences::colWidthState, store::Field::state},
    {&settings::Preferences::colWidthWritten, store::Field::writtenAt},
};

// Owns an icon loaded from the resources.
class Icon {
 public:
  Icon(int id, int size)
      : icon_(static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0))) {}
  ~Icon() {
    if (icon_) DestroyIcon(icon_);
  }
  Icon(const Icon&) = delete;
  Icon& operator=(const Icon&) = delete;
  HICON get() const { return icon_; }

 private:
  HICON icon_;
};

// What the list shows, as an image. The list holds no texts of its own (an owner-data list asks
// for the cells it paints), so start-up inserts nothing, and a repaint redraws only the rows whose
// texts changed since they were last shown.
store::BoardImage shown;
int rows;  // the members the list was built for

bool rowChanged(int slot) {
  for (int column = 1; column < store::FieldCount; ++column) {
    char now[store::WrittenSize + 1], before[store::WrittenSize + 1];
    store::fieldText(slot, columns[column].field, now, sizeof now);
    store::fieldTextOf(shown, slot, columns[column].field, before, sizeof before);
    if (std::strcmp(now, before) != 0) return true;
  }
  return false;
}

// The slot's fields from the board image into what the list shows.
void showRow(int slot) {
  for (int column = 1; column < store::FieldCount; ++column) {
    const store::FieldInfo& f = store::fieldInfo(columns[column].field);
    const size_t at = f.offset + f.stride * static_cast<size_t>(slot);
    std::memcpy(reinterpret_cast<char*>(&shown) + at, reinterpret_cast<const char*>(&store::board) + at, f.size);
  }
}

void insertColumns(HWND list, int dpi) {
  for (int i = 0; i < store::FieldCount; ++i) {
    char header[32];
    lstrcpynA(header, columns[i].header(), sizeof header);
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = scaled((settings::prefs.*columns[i].width).get(), dpi);
    column.pszText = header;
    column.iSubItem = i;
    ListView_InsertColumn(list, i, &column);
  }
}

// Every row shows image 0, so one copy of the icon serves them all; its size follows the DPI.
void setRowIcon(HWND list, int dpi) {
  const int size = scaled(16, dpi);
  HIMAGELIST icons = ImageList_Create(size, size, ILC_MASK | ILC_COLOR32, 1, 1);
  Icon member(IDI_MEMBER, size);
  ImageList_ReplaceIcon(icons, -1, member.get());
  HIMAGELIST old = ListView_SetImageList(list, icons, LVSIL_SMALL);
  if (old) ImageList_Destroy(old);
}

}  // namespace

// Made at no size: the parent's first WM_SIZE lays it out. The selection stays in sight while the entry
// dialog has the focus; a cell cut short shows its whole text under the mouse.
HWND createMemberList(HWND parent, int dpi) {
  HWND list = CreateWindowExA(0, WC_LISTVIEWA, "",
                              WS_CHILD | WS_VISIBLE | WS_DLGFRAME | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_OWNERDATA, 0,
                              0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MEMBER_LIST)),
                              instance, nullptr);
  if (!list) return nullptr;
  const DWORD styles = LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP | LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP;
  ListView_SetExtendedListViewStyleEx(list, styles, styles);
  insertColumns(list, dpi);
  setRowIcon(list, dpi);
  return list;
}

void rebuildRows(HWND list) {
  if (!list) return;
  rows = store::memberCount;
  for (int slot = 0; slot < rows; ++slot) showRow(slot);
  ListView_SetItemCountEx(list, rows, 0);
  InvalidateRect(list, nullptr, TRUE);
}

void refreshMemberList(HWND list) {
  if (!list) return;
  for (int slot = 0; slot < rows; ++slot) {
    if (!rowChanged(slot)) continue;
    showRow(slot);
    ListView_RedrawItems(list, slot, slot);
  }
}

void supplyCell(NMLVDISPINFOA* info) {
  LVITEMA& item = info->item;
  const int slot = item.iItem;
  if (slot < 0 || slot >= rows || item.iSubItem < 0 || item.iSubItem >= store::FieldCount) return;
  if (item.mask & LVIF_IMAGE) item.iImage = 0;
  if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
  // Names from this PC's name list: the image's own name area holds whatever the last writer's list said.
  if (item.iSubItem == 0)
    text::copyField(item.pszText, static_cast<size_t>(item.cchTextMax), store::displayNames[slot], store::NameSize);
  else
    store::fieldTextOf(shown, slot, columns[item.iSubItem].field, item.pszText, static_cast<size_t>(item.cchTextMax));
}

void redrawAllRows(HWND list) { ListView_RedrawItems(list, 0, ListView_GetItemCount(list)); }

void saveColumnWidths(HWND list, int dpi) {
  if (!list) return;
  for (int i = 0; i < store::FieldCount; ++i)
    (settings::prefs.*columns[i].width).set(unscaled(ListView_GetColumnWidth(list, i), dpi));
}

void rescaleMemberList(HWND list, int fromDpi, int toDpi) {
  if (!list || fromDpi == toDpi) return;
  for (int i = 0; i < store::FieldCount; ++i)
    ListView_SetColumnWidth(list, i, MulDiv(ListView_GetColumnWidth(list, i), toDpi, fromDpi));
  setRowIcon(list, toDpi);
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
  if (!list) return;
  HIMAGELIST icons = ListView_SetImageList(list, nullptr, LVSIL_SMALL);
  if (icons) ImageList_Destroy(icons);
}

// The context-menu key and Shift+F10 give the point -1, -1; then the focused row is the one meant.
int rowAt(HWND list, LPARAM screenPoint) {
  const int x = GET_X_LPARAM(screenPoint), y = GET_Y_LPARAM(screenPoint);
  if (x == -1 && y == -1) return focusedRow(list);
  LVHITTESTINFO hit = {};
  hit.pt.x = x;
  hit.pt.y = y;
  ScreenToClient(list, &hit.pt);
  return ListView_HitTest(list, &hit);
}

int focusedRow(HWND list) { return ListView_GetNextItem(list, -1, LVNI_FOCUSED); }

void markRow(HWND list, int row) {
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
  ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(list, row, FALSE);
}

}  // namespace ui

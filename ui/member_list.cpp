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

// The texts the list holds, as an image: a repaint sets only the cells whose text changed, so a
// board of 300 members repaints in what the changed rows cost, without flicker.
store::BoardImage shown;

void setCellText(HWND list, int slot, int column) {
  char text[store::WrittenSize + 1];
  const size_t length = store::fieldText(slot, columns[column].field, text, sizeof text);
  std::memcpy(store::fieldBytesOf(shown, slot, columns[column].field), text,
              length < store::fieldSize(columns[column].field) ? length + 1 : length);
  ListView_SetItemText(list, slot, column, text);
}

bool cellChanged(int slot, int column) {
  char now[store::WrittenSize + 1], before[store::WrittenSize + 1];
  store::fieldText(slot, columns[column].field, now, sizeof now);
  store::fieldTextOf(shown, slot, columns[column].field, before, sizeof before);
  return std::strcmp(now, before) != 0;
}

// Names from this PC's name list: the image's own name area holds whatever the last writer's list said.
void insertRow(HWND list, int slot) {
  char name[store::NameSize + 1];
  text::copyField(name, sizeof name, store::displayNames[slot], store::NameSize);
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = slot;
  item.pszText = name;
  item.iImage = 0;
  ListView_InsertItem(list, &item);
  // A new row's cells are empty already; only texts are set.
  for (int column = 1; column < store::FieldCount; ++column)
    if (cellChanged(slot, column)) setCellText(list, slot, column);
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
  HWND list =
      CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | WS_DLGFRAME | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0,
                      0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MEMBER_LIST)), instance, nullptr);
  if (!list) return nullptr;
  const DWORD styles = LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP | LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP;
  ListView_SetExtendedListViewStyleEx(list, styles, styles);
  insertColumns(list, dpi);
  setRowIcon(list, dpi);
  return list;
}

void rebuildRows(HWND list) {
  if (!list) return;
  SetWindowRedraw(list, FALSE);
  ListView_DeleteAllItems(list);
  std::memset(&shown, 0, sizeof shown);
  // Room for every row at once, and no redrawing while they go in.
  ListView_SetItemCount(list, store::memberCount);
  for (int slot = 0; slot < store::memberCount; ++slot) insertRow(list, slot);
  SetWindowRedraw(list, TRUE);
  InvalidateRect(list, nullptr, TRUE);
}

void refreshMemberList(HWND list) {
  if (!list) return;
  for (int slot = 0; slot < store::memberCount; ++slot)
    for (int column = 1; column < store::FieldCount; ++column)
      if (cellChanged(slot, column)) setCellText(list, slot, column);
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

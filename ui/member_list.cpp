#include "ui/member_list.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cstring>

#include "platform/status.h"
#include "settings/preferences.h"
#include "store/access.h"
#include "store/board.h"
#include "store/names.h"
#include "text/waits.h"
#include "ui/app.h"
#include "ui/entry_dialog.h"
#include "ui/first_run.h"
#include "ui/resources/resource.h"

namespace ui {

HWND statusBar;
HWND listView;

namespace {

constexpr int ToolbarBand = 28;   // the list starts below the toolbar
constexpr int ChromeHeight = 46;  // toolbar band and status bar together

struct Column {
  const char* header;
  settings::Le16 settings::Preferences::*width;
  store::Field field;
};

const Column columns[store::FieldCount] = {
    {"氏名(電話)", &settings::Preferences::colWidthName, store::Field::name},
    {"午前", &settings::Preferences::colWidthMorning, store::Field::morning},
    {"午後", &settings::Preferences::colWidthAfternoon, store::Field::afternoon},
    {"帰社予定", &settings::Preferences::colWidthReturn, store::Field::returnTime},
    {"状態", &settings::Preferences::colWidthState, store::Field::state},
    {"書き込み時間", &settings::Preferences::colWidthWritten, store::Field::writtenAt},
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

void setCellText(int slot, int column) {
  char text[store::WrittenSize + 1];
  const size_t length = store::fieldText(slot, columns[column].field, text, sizeof text);
  std::memcpy(store::fieldBytesOf(shown, slot, columns[column].field), text,
              length < store::fieldSize(columns[column].field) ? length + 1 : length);
  ListView_SetItemText(listView, slot, column, text);
}

bool cellChanged(int slot, int column) {
  char now[store::WrittenSize + 1], before[store::WrittenSize + 1];
  store::fieldText(slot, columns[column].field, now, sizeof now);
  store::fieldTextOf(shown, slot, columns[column].field, before, sizeof before);
  return std::strcmp(now, before) != 0;
}

void insertRow(int slot) {
  char name[store::NameSize + 1];
  store::fieldText(slot, store::Field::name, name, sizeof name);
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = slot;
  item.pszText = name;
  item.iImage = 0;
  ListView_InsertItem(listView, &item);
  // A new row's cells are empty already; only texts are set.
  for (int column = 1; column < store::FieldCount; ++column)
    if (cellChanged(slot, column)) setCellText(slot, column);
}

void insertColumns() {
  for (int i = 0; i < store::FieldCount; ++i) {
    char header[32];
    lstrcpynA(header, columns[i].header, sizeof header);
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = (settings::prefs.*columns[i].width).get();
    column.pszText = header;
    column.iSubItem = i;
    ListView_InsertColumn(listView, i, &column);
  }
}

void redrawAllRows() {
  ListView_RedrawItems(listView, 0, ListView_GetItemCount(listView));
}

void showStatusInfo() {
  if (statusBar) SendMessageA(statusBar, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(text::statusInfoText));
}

void createStatusBar(HWND window) {
  statusBar = CreateStatusWindowA(WS_CHILD | WS_VISIBLE | CCS_BOTTOM, "", window, IDC_STATUS_BAR);
}

void createListView(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  listView = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | WS_DLGFRAME | LVS_REPORT, 0, ToolbarBand,
                             r.right, r.bottom - ChromeHeight, window,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MEMBER_LIST)), instance, nullptr);
  if (!listView) return;
  const DWORD styles = LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP | LVS_EX_FULLROWSELECT;
  ListView_SetExtendedListViewStyleEx(listView, styles, styles);
}

// The list owns its image list unless it is detached first, so detaching keeps it from being
// destroyed twice (once here and once when the list itself goes).
void destroyRowIcons() {
  if (!listView) return;
  HIMAGELIST icons = ListView_SetImageList(listView, nullptr, LVSIL_SMALL);
  if (icons) ImageList_Destroy(icons);
}

// The context-menu key and Shift+F10 give the point -1, -1; then the focused row is the one meant.
int rowAt(LPARAM lParam) {
  int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  if (x == -1 && y == -1) return ListView_GetNextItem(listView, -1, LVNI_FOCUSED);
  LVHITTESTINFO hit = {};
  hit.pt.x = x;
  hit.pt.y = y;
  ScreenToClient(listView, &hit.pt);
  return ListView_HitTest(listView, &hit);
}

// Builds the row icons and inserts one row per member; once, at creation.
void fillMemberList() {
  HIMAGELIST icons = ImageList_Create(16, 16, ILC_MASK | ILC_COLOR4, 4, 1);
  ListView_SetImageList(listView, icons, LVSIL_SMALL);
  // Every row shows image 0, so one copy of the icon serves them all.
  Icon member(IDI_MEMBER, 16);
  if (store::memberCount > 0) ImageList_ReplaceIcon(icons, -1, member.get());
  // Room for every row at once, and no redrawing while they go in.
  ListView_SetItemCount(listView, store::memberCount);
  SetWindowRedraw(listView, FALSE);
  for (int slot = 0; slot < store::memberCount; ++slot) insertRow(slot);
  SetWindowRedraw(listView, TRUE);
}

// row becomes store::selectedRow; the entry dialog opens unless it is -1.
void openEntryDialogFor(int row) {
  store::selectedRow = row;
  if (store::selectedRow != -1) openEntryDialog();
}

}  // namespace

void onCreate(HWND window) {
  InitCommonControls();
  createStatusBar(window);
  createListView(window);
  if (!settings::needsSetup && !store::loadNameList()) {
    status::showStatus("サーバーに接続できません");
    status::beep();
  }
  if (listView) {
    insertColumns();
    fillMemberList();
  }
  int minutes = settings::prefs.refreshMinutes.get();
  if (minutes != 0) SetTimer(window, IDT_REFRESH, text::timerPeriodMs(minutes), nullptr);
  if (settings::needsSetup)
    runFirstRunFlow();
  else
    store::refreshBoard();
}

void refreshMemberList() {
  if (!listView) return;
  for (int slot = 0; slot < store::memberCount; ++slot)
    for (int column = 1; column < store::FieldCount; ++column)
      if (cellChanged(slot, column)) setCellText(slot, column);
}

void saveColumnWidths() {
  if (!listView) return;
  for (int i = 0; i < store::FieldCount; ++i)
    (settings::prefs.*columns[i].width).set(ListView_GetColumnWidth(listView, i));
}

void onSize(HWND window, WPARAM sizeType, int width, int height) {
  int edges[2] = {width / 2, width};
  SendMessageA(statusBar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(edges));
  RECT bar;
  GetClientRect(statusBar, &bar);
  MoveWindow(statusBar, 0, height - bar.bottom, width, bar.bottom, TRUE);
  SendMessageA(toolbar, TB_AUTOSIZE, 0, 0);
  if (listView) {
    int listHeight = height - ChromeHeight;
    MoveWindow(listView, 0, ToolbarBand, width, listHeight > 0 ? listHeight : 0, FALSE);
    if (sizeType == SIZE_RESTORED || sizeType == SIZE_MAXIMIZED) redrawAllRows();
  }
  captureWindowRect(window);
}

// Every repaint shows the image in memory; the share is not touched. A cell whose text is set
// redraws itself, so the rows are not all redrawn each time.
void onPaint(HWND window) {
  PAINTSTRUCT ps;
  BeginPaint(window, &ps);
  refreshMemberList();
  showStatusInfo();
  EndPaint(window, &ps);
}

void onTimer(HWND window, WPARAM timerId) {
  if (timerId != IDT_REFRESH) return;
  // An unchanged board costs the timer one look at its metadata, not a locked read.
  store::refreshIfChanged();
  onActivate(window);
}

void onActivate(HWND window) { InvalidateRect(window, nullptr, TRUE); }

void onDestroy() {
  saveColumnWidths();
  destroyRowIcons();
  PostQuitMessage(0);
}

void onContextMenu(LPARAM lParam) {
  if (!listView) return;
  openEntryDialogFor(rowAt(lParam));
}

// Enter and a double click reach the entry dialog too, so the keyboard alone can change a row.
void onListNotify(const NMHDR* header) {
  switch (header->code) {
    case NM_RETURN:
      openEntryDialogFor(ListView_GetNextItem(listView, -1, LVNI_SELECTED));
      break;
    case NM_DBLCLK: openEntryDialogFor(reinterpret_cast<const NMITEMACTIVATE*>(header)->iItem); break;
    default: break;
  }
}

void onSetFocus() {
  if (listView) SetFocus(listView);
}

}  // namespace ui

// The window's layout at the screen's DPI, a change of DPI, and what tavelin.ini keeps for the user.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tests/gui/entry.h"

namespace gui {

namespace {

// The widths preferencesFor gives columns 0 to 5, in 96-DPI units.
const int StoredWidths[6] = {120, 110, 110, 70, 80, 120};

bool fitsScreen(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  return r.left >= 0 && r.top >= 0 && r.right <= GetSystemMetrics(SM_CXSCREEN) &&
         r.bottom <= GetSystemMetrics(SM_CYSCREEN);
}

int heightOf(const RECT& r) { return r.bottom - r.top; }

std::string iniValue(const char* section, const char* key) {
  char value[64] = {};
  GetPrivateProfileStringA(section, key, "", value, sizeof value, userIniPath().c_str());
  return value;
}

void checkStoredWidths(const CaseDirs& d) {
  settings::Preferences saved = readPreferences(d);
  const int got[6] = {saved.colWidthName.get(),   saved.colWidthMorning.get(), saved.colWidthAfternoon.get(),
                      saved.colWidthReturn.get(), saved.colWidthState.get(),   saved.colWidthWritten.get()};
  for (int c = 0; c < 6; ++c) CHECK(got[c] == StoredWidths[c], "column %d saved as %d", c, got[c]);
}

void checkLayout(const Program& p, const Window& w) {
  for (int c = 0; c < 6; ++c)
    CHECK(gui::columnWidth(w.list, c) == atDpi(StoredWidths[c]), "column %d: %d px", c, gui::columnWidth(w.list, c));
  RECT row, button, list, status, toolbar;
  CHECK(gui::itemRect(p.process(), w.list, 0, &row) && heightOf(row) >= atDpi(16), "row %d px high", heightOf(row));
  CHECK(gui::toolbarButtonRect(p.process(), w.toolbar, IDM_UPDATE_LIST, &button) && heightOf(button) >= atDpi(15) + 4,
        "toolbar button %d px high", heightOf(button));
  GetWindowRect(w.list, &list);
  GetWindowRect(w.status, &status);
  GetWindowRect(w.toolbar, &toolbar);
  CHECK(list.top >= toolbar.bottom && list.bottom <= status.top, "the list between toolbar and status bar");
  const std::vector<int> parts = gui::statusParts(p.process(), w.status);
  RECT bar;
  GetClientRect(w.status, &bar);
  CHECK(parts.size() == 2 && (parts[1] == -1 || parts[1] >= bar.right), "two parts to the end");
  const int timeWidth = parts.empty() ? 0 : bar.right - parts[0];
  CHECK(timeWidth >= atDpi(100) && timeWidth <= atDpi(220), "the time part is as wide as its text: %d px", timeWidth);
  CHECK(gui::ask(w.list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_LABELTIP, "cut cells show whole on hover");
}

}  // namespace

// Every size follows the screen's DPI: the window from the record's 96-DPI size, the columns, the rows'
// icons and text, the toolbar; the list lies between the toolbar and the status bar, whose time part is as
// wide as its text. The entry dialog, About and the settings fit the screen.
void layoutAtScreenDpi() {
  CaseDirs d = makeCase("layout");
  settings::Preferences prefs = preferencesFor(d.share + "\\tv_name.lst", d.share + "\\tv_cont.lst");
  prefs.windowWidth.set(600);
  prefs.windowHeight.set(400);
  writePreferences(d, prefs);
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  RECT r;
  GetWindowRect(w.main, &r);
  CHECK(r.right - r.left == atDpi(600) && heightOf(r) == atDpi(400), "window %ldx%d at %d DPI", r.right - r.left,
        heightOf(r), screenDpi());
  checkLayout(p, w);
  screenshot("30-board");

  CHECK(rightClickRow(p, w, 2), "row 2 point");
  EntryDialog e = waitEntryDialog(p);
  CHECK(e.dialog && fitsScreen(e.dialog), "the entry dialog on the screen");
  if (e.dialog) {
    screenshot("31-entry-dialog");
    CHECK(pressAndWaitClosed(e.dialog, IDCANCEL), "cancel");
  }
  // Once the window takes the command: the entry dialog's close may have the share looking.
  HWND about = gui::commandDialog(p, w, IDM_ABOUT, "このﾌﾟﾛｸﾞﾗﾑについて");
  CHECK(about != nullptr, "About");
  CHECK(about && fitsScreen(about), "About fits the screen");
  if (about) {
    screenshot("32-about");
    CHECK(pressAndWaitClosed(about, IDOK), "About closes");
  }
  HWND box = gui::commandDialog(p, w, IDM_SETTINGS, "環境設定");
  CHECK(box != nullptr, "the settings");
  CHECK(box && fitsScreen(box), "the settings on the screen");
  if (!box) return;
  screenshot("33-settings");
  CHECK(pressAndWaitClosed(box, IDCANCEL), "cancel");
  HWND notice = gui::waitForDialog(p.id(), "再起動の確認", 10000);
  CHECK(notice != nullptr, "restart notice");
  if (notice) CHECK(pressAndWaitClosed(notice, IDOK), "notice closes");
  CHECK(p.waitExit(ExitMs), "ended");
}

// The window moved to a monitor of twice the DPI: columns, rows and the window follow, and the record
// still gets its widths and size in 96-DPI units.
void dpiChangeKeepsRecordUnits() {
  CaseDirs d = makeBoardCase("dpi-change");
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  const int to = screenDpi() * 2;
  RECT suggested = {40, 30, 40 + 900, 30 + 600};
  CHECK(gui::callWithBuffer(p.process(), w.main, WM_DPICHANGED, MAKEWPARAM(to, to), &suggested, sizeof suggested) == 0,
        "WM_DPICHANGED handled");
  RECT r;
  GetWindowRect(w.main, &r);
  CHECK(r.left == 40 && r.top == 30 && r.right - r.left == 900 && heightOf(r) == 600, "the suggested rectangle");
  for (int c = 0; c < 6; ++c)
    CHECK(gui::columnWidth(w.list, c) == 2 * atDpi(StoredWidths[c]), "column %d: %d px", c,
          gui::columnWidth(w.list, c));
  RECT row;
  CHECK(gui::itemRect(p.process(), w.list, 0, &row) && heightOf(row) >= 2 * atDpi(16), "row %d px high", heightOf(row));
  CHECK(closeProgram(p, w), "closed");
  checkStoredWidths(d);
  settings::Preferences saved = readPreferences(d);
  CHECK(saved.windowWidth.get() == 900 * 96 / to && saved.windowHeight.get() == 600 * 96 / to, "size saved as %dx%d",
        saved.windowWidth.get(), saved.windowHeight.get());
}

// tavelin.ini in the user's folder: closed maximised, the window opens maximised while the record keeps the
// restored size; the order the columns were dragged into comes back. An order that makes no sense is ignored.
void maximisedAndColumnOrder() {
  CaseDirs d = makeCase("maximised");
  settings::Preferences prefs = preferencesFor(d.share + "\\tv_name.lst", d.share + "\\tv_cont.lst");
  prefs.windowWidth.set(600);
  prefs.windowHeight.set(400);
  writePreferences(d, prefs);
  const std::vector<int> dragged = {0, 3, 1, 2, 5, 4, 6}, natural = {0, 1, 2, 3, 4, 5, 6};
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  CHECK(gui::setColumnOrder(p.process(), w.list, dragged), "columns dragged");
  PostMessageA(w.main, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  CHECK(gui::waitFor([&] { return IsZoomed(w.main) != FALSE; }, 5000), "maximised");
  screenshot("35-maximised");
  CHECK(closeProgram(p, w), "closed");
  settings::Preferences saved = readPreferences(d);
  CHECK(saved.windowWidth.get() == 600 && saved.windowHeight.get() == 400, "the record keeps the restored size: %dx%d",
        saved.windowWidth.get(), saved.windowHeight.get());
  CHECK(iniValue("Window", "Maximized") == "1" && iniValue("List", "ColumnOrder") == "0,3,1,2,5,4,6", "tavelin.ini");
  checkStoredWidths(d);

  Program again;
  w = startWithBoard(again, d);
  if (!w.main) return;
  CHECK(IsZoomed(w.main), "opens maximised");
  CHECK(gui::columnOrder(again.process(), w.list) == dragged, "the columns' order comes back");
  PostMessageA(w.main, WM_SYSCOMMAND, SC_RESTORE, 0);
  CHECK(gui::waitFor([&] { return !IsZoomed(w.main); }, 5000), "restored");
  // Restored a moment after it stops being maximised.
  RECT r;
  CHECK(gui::waitFor(
            [&] {
              GetWindowRect(w.main, &r);
              return r.right - r.left == atDpi(600) && heightOf(r) == atDpi(400);
            },
            3000),
        "to the saved size: %ldx%d", r.right - r.left, heightOf(r));
  CHECK(closeProgram(again, w), "closed");
  CHECK(iniValue("Window", "Maximized") == "0", "closed restored");

  WritePrivateProfileStringA("List", "ColumnOrder", "0,0,1,2,3,4,5", userIniPath().c_str());
  Program third;
  w = startWithBoard(third, d);
  if (!w.main) return;
  CHECK(!IsZoomed(w.main), "opens restored");
  CHECK(gui::columnOrder(third.process(), w.list) == natural, "a broken order is ignored");
  CHECK(closeProgram(third, w), "closed");
}

}  // namespace gui

namespace gui {

namespace {

// A text's width in the list's font, as the list measures it.
int stringWidth(const Program& p, const Window& w, const char* text) {
  char buffer[128] = {};
  std::strncpy(buffer, text, sizeof buffer - 1);
  return static_cast<int>(gui::callWithBuffer(p.process(), w.list, LVM_GETSTRINGWIDTHA, 0, buffer, sizeof buffer));
}

// The record's column widths as a first start finds them, before anyone set them.
void setFirstStartWidths(settings::Preferences& prefs) {
  const int defaults[6] = {70, 100, 100, 60, 50, 220};
  settings::Le16 settings::Preferences::*widths[6] = {
      &settings::Preferences::colWidthName,      &settings::Preferences::colWidthMorning,
      &settings::Preferences::colWidthAfternoon, &settings::Preferences::colWidthReturn,
      &settings::Preferences::colWidthState,     &settings::Preferences::colWidthWritten};
  for (int c = 0; c < 6; ++c) (prefs.*widths[c]).set(defaults[c]);
}

}  // namespace

// A first start (the record's widths as no one set them, its 465-pixel window): the name and state columns
// fit their longest texts and the window grows to show every column. Closed, those widths are the member's
// and the next start leaves them as they are.
void firstStartWidths() {
  CaseDirs d = makeCase("first-start-widths");
  settings::Preferences prefs = preferencesFor(d.share + "\\tv_name.lst", d.share + "\\tv_cont.lst");
  setFirstStartWidths(prefs);
  prefs.windowWidth.set(465);
  prefs.windowHeight.set(415);
  writePreferences(d, prefs);
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  int longest = 0;
  for (const char* name : Names) longest = std::max(longest, stringWidth(p, w, name));
  CHECK(gui::waitFor([&] { return gui::columnWidth(w.list, 0) >= longest + atDpi(16); }, 5000),
        "names whole: %d px for %d px of text", gui::columnWidth(w.list, 0), longest);
  CHECK(gui::columnWidth(w.list, 4) >= stringWidth(p, w, "外出・直帰") + atDpi(8), "states whole: %d px",
        gui::columnWidth(w.list, 4));
  CHECK(gui::columnWidth(w.list, 5) < atDpi(220), "the time column no wider than its text: %d px",
        gui::columnWidth(w.list, 5));
  int total = 0;
  for (int c = 0; c < 6; ++c) total += gui::columnWidth(w.list, c);
  RECT client;
  GetClientRect(w.list, &client);
  CHECK(gui::waitFor(
            [&] {
              GetClientRect(w.list, &client);
              return total <= client.right;
            },
            3000),
        "every column in sight: %d px of columns in %ld", total, client.right);
  screenshot("08-first-start-widths");
  int fitted[6];
  for (int c = 0; c < 6; ++c) fitted[c] = gui::columnWidth(w.list, c);
  CHECK(closeProgram(p, w), "closed");

  Program again;
  w = startWithBoard(again, d);
  if (!w.main) return;
  CHECK(gui::waitFor([&] { return gui::ask(w.toolbar, TB_ISBUTTONENABLED, IDM_UPDATE_LIST, 0) > 0; }, 5000), "loaded");
  for (int c = 0; c < 6; ++c)
    CHECK(std::abs(gui::columnWidth(w.list, c) - fitted[c]) <= 1, "column %d kept: %d px", c,
          gui::columnWidth(w.list, c));
  CHECK(closeProgram(again, w), "closed");
}

// Four names as long as a name may be (31 characters), mine among them and so in bold, at the record's
// first-start widths: the name column gives way first, so that every column shows without a horizontal
// scroll bar on the pass's desktop (1024 pixels, or the 1366 an office has) at any DPI, and the time
// written shows whole in bold.
void longNamesWidths() {
  CaseDirs d = makeCase("long-names-widths");
  settings::Preferences prefs = preferencesFor(d.share + "\\tv_name.lst", d.share + "\\tv_cont.lst");
  setFirstStartWidths(prefs);
  writePreferences(d, prefs);
  const char* const longNames[] = {"寿限無寿限無五劫の擦り切れ海砂利水魚の水行末雲来末風来末(2101)",
                                   "長谷川長谷川長谷川長谷川長谷川長谷川長谷川長谷川長谷川長(2102)",
                                   "東京本社営業本部第一営業部第二課課長代理補佐見習い担当(2103)",
                                   "大阪支社技術開発センター設計第三グループ主任研究員の方(2104)"};
  std::string names;
  for (int i = 0; i < NameCount; ++i) names += std::string(i < 4 ? longNames[i] : Names[i]) + ";\r\n";
  writeFile(d.share + "\\tv_name.lst", names.data(), names.size());
  setRow({1, "客先訪問", "資料作成", "15:00", "外出・戻り", todayAt("12:34")});
  writeFile(d.share + "\\tv_cont.lst", &image, sizeof image);
  CreateDirectoryA(userIniPath().substr(0, userIniPath().rfind('\\')).c_str(), nullptr);
  WritePrivateProfileStringA("User", "MyName", (std::string("\"") + longNames[1] + "\"").c_str(),
                             userIniPath().c_str());
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  RECT client = {};
  int total = 0;
  const bool fits = gui::waitFor(
      [&] {
        total = 0;
        for (int c = 0; c < gui::columnCount(w.list); ++c) total += gui::columnWidth(w.list, c);
        GetClientRect(w.list, &client);
        return total <= client.right && !(GetWindowLongA(w.list, GWL_STYLE) & WS_HSCROLL);
      },
      5000);
  CHECK(fits, "every column in sight, no scroll bar: %d px of columns in %ld", total, client.right);
  screenshot("08-long-names-widths");
  // Bold is wider than the list's font: the time column holds the stamp with room to spare.
  CHECK(gui::columnWidth(w.list, 5) >= stringWidth(p, w, "00/00/00 00:00") * 11 / 10 + atDpi(12),
        "the time written whole in bold: %d px", gui::columnWidth(w.list, 5));
  // The plans give way only once the names have: then the name column is down to a short name's width.
  const bool plansWhole = gui::columnWidth(w.list, 1) >= atDpi(100) && gui::columnWidth(w.list, 2) >= atDpi(100);
  CHECK(plansWhole || gui::columnWidth(w.list, 0) <= stringWidth(p, w, Names[0]) + atDpi(40),
        "the names give way first: names %d px, plans %d, %d px", gui::columnWidth(w.list, 0),
        gui::columnWidth(w.list, 1), gui::columnWidth(w.list, 2));
  CHECK(closeProgram(p, w), "closed");
}

}  // namespace gui

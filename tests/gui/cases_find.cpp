// Finding people: the find box, sorting by a column, F5; and the board saved as CSV.
#include <cstring>
#include <vector>

#include "tests/gui/entry.h"

namespace gui {

namespace {

std::vector<std::string> shownNames(const Program& p, const Window& w) {
  std::vector<std::string> names;
  for (int row = 0; row < gui::itemCount(w.list); ++row) names.push_back(gui::itemText(p.process(), w.list, row, 0));
  return names;
}

std::vector<std::string> namesOf(std::vector<int> slots) {
  std::vector<std::string> names;
  for (int slot : slots) names.push_back(Names[slot]);
  return names;
}

bool shows(const Program& p, const Window& w, std::vector<int> slots) {
  return gui::waitFor([&] { return shownNames(p, w) == namesOf(slots); }, 5000);
}

HWND focusOf(const Program& p) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(p.threadId(), &info) ? info.hwndFocus : nullptr;
}

// A mouse click on a column's header, as the header passes it on to the list.
bool clickHeader(const Program& p, const Window& w, int column) {
  HWND header = gui::child(w.list, WC_HEADERA);
  RECT r = {};
  if (!header || gui::callWithBuffer(p.process(), header, HDM_GETITEMRECT, column, &r, sizeof r) <= 0) return false;
  const LPARAM point = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  PostMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, point);
  PostMessageA(header, WM_LBUTTONUP, 0, point);
  return true;
}

int headerArrow(const Program& p, const Window& w, int column) {
  HDITEMA item = {};
  item.mask = HDI_FORMAT;
  gui::callWithBuffer(p.process(), gui::child(w.list, WC_HEADERA), HDM_GETITEMA, column, &item, sizeof item);
  return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
}

}  // namespace

// Ctrl+F goes to the find box; what is typed narrows the list to the members whose name or texts hold it
// (full-width digits match), Esc shows everyone again. A header click sorts, a second click reverses;
// a right click on a row of the narrowed, sorted list opens that member. F5 reads the board again.
void findSortAndRefresh() {
  CaseDirs d = makeBoardCase("find");
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  HWND box = GetDlgItem(w.toolbar, IDC_FIND);
  CHECK(box != nullptr, "the find box");
  if (!box) return;

  SetForegroundWindow(w.main);
  CHECK(gui::waitFor([&] { return GetForegroundWindow() == w.main; }, 5000), "program in front");
  pressKeys({VK_CONTROL, 'F'});
  CHECK(gui::waitFor([&] { return focusOf(p) == box; }, 5000), "Ctrl+F focuses the box");
  gui::setWindowText(box, "１０５");
  CHECK(shows(p, w, {4}), "found by the name's number in full width");
  gui::setWindowText(box, "会議");
  CHECK(shows(p, w, {0}), "found by a plan");
  gui::setWindowText(box, "外出");
  CHECK(shows(p, w, {2, 7}), "found by the state");
  screenshot("46-find");
  pressKeys({VK_ESCAPE});
  CHECK(shows(p, w, {0, 1, 2, 3, 4, 5, 6, 7}), "Esc shows everyone");
  CHECK(gui::windowText(box).empty() && focusOf(p) == w.list, "the box emptied, the focus on the list");

  CHECK(clickHeader(p, w, 4), "state header");
  CHECK(shows(p, w, {7, 2, 0, 1, 3, 4, 5, 6}), "sorted by state, members without one last");
  CHECK(headerArrow(p, w, 4) == HDF_SORTUP, "an arrow up on the state");
  CHECK(clickHeader(p, w, 4), "state header again");
  CHECK(shows(p, w, {0, 2, 7, 1, 3, 4, 5, 6}), "reversed");
  CHECK(headerArrow(p, w, 4) == HDF_SORTDOWN && headerArrow(p, w, 0) == 0, "an arrow down, none elsewhere");
  gui::setWindowText(box, "外出");
  CHECK(shows(p, w, {2, 7}), "narrowed and still sorted");
  screenshot("47-sorted");

  CHECK(rightClickRow(p, w, 1), "second row point");
  EntryDialog e = waitEntryDialog(p);
  CHECK(e.dialog && captionOf(e) == "中村 愛(108) の行動予定の変更", "the member shown there: %s",
        e.dialog ? captionOf(e).c_str() : "");
  if (!e.dialog) return;
  gui::setWindowText(e.morning, "並べ替え後の入力");
  store::BoardImage before = readBoard(d);
  CHECK(pressAndWaitClosed(e.dialog, IDOK), "OK");
  store::BoardImage after = readBoard(d);
  CHECK(slotOf(after, 7).morning == "並べ替え後の入力", "written to that member's slot");
  checkOtherSlotsKept(before, after, {7});

  const Row changed = {4, "本社会議", "", "16:00", "外出・戻り", "26/12/08 10:05"};
  setRow(changed);
  writeFile(d.share + "\\tv_cont.lst", &image, sizeof image);
  SetForegroundWindow(w.main);
  pressKeys({VK_F5});
  CHECK(shows(p, w, {2, 4, 7}), "F5 reads the board: the new 外出 row shows, in its place");
  CHECK(closeProgram(p, w), "closed");
}

}  // namespace gui

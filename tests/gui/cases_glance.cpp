// The board at a glance: rows coloured by the clock, state icons, and a board that has not been read for long.
#include <cstring>
#include <vector>

#include "tests/gui/entry.h"

namespace gui {

namespace {

// What a cell's text is drawn in, its borders left out: red, near-black, or mid grey only.
struct Ink {
  int red = 0, dark = 0, grey = 0;
};

Ink inkOf(const Program& p, const Window& w, int row, int column) {
  Ink ink;
  RECT r;
  if (!gui::cellScreenRect(p.process(), w.list, row, column, &r)) return ink;
  InflateRect(&r, -2, -2);
  for (COLORREF c : gui::screenPixels(r)) {
    const int red = GetRValue(c), green = GetGValue(c), blue = GetBValue(c);
    if (red >= 150 && green <= 90 && blue <= 90) ++ink.red;
    if (red < 70 && green < 70 && blue < 70) ++ink.dark;
    if (red >= 90 && red <= 200 && std::abs(red - green) < 16 && std::abs(green - blue) < 16) ++ink.grey;
  }
  return ink;
}

}  // namespace

// Out and returning, written today, its time past: the return time in red and nothing else. Written
// before today: the whole row in grey, even when its return time has passed. A return time still ahead,
// a plain row (my own, bold) and an empty row are drawn in the list's colours.
void rowsAtAGlance() {
  CaseDirs d = makeBoardCase("glance");
  const SYSTEMTIME now = nowPastMidnight();
  // An hour ago; 1 to 7 o'clock says 午前, or it would be read as the afternoon.
  const int hourAgo = now.wHour ? now.wHour - 1 : 0;
  const char* half = hourAgo >= 1 && hourAgo <= 7 ? "午前" : "";
  char past[16];
  std::snprintf(past, sizeof past, "%s%02d:%02d", half, hourAgo, now.wHour ? now.wMinute : 0);
  const std::string today = stampOf(now), yesterday = stampOf(daysAgo(now, 1));
  setRow({0, "定例会議", "資料作成", "", "社内", today.c_str()});
  setRow({2, "客先訪問", "", past, "外出・戻り", today.c_str()});
  setRow({4, "銀行", "", "24:00", "外出・戻り", today.c_str()});
  // As members type it: hours and minutes in kanji, past too.
  char pastInKanji[16];
  std::snprintf(pastInKanji, sizeof pastInKanji, "%s%d時%d分", half, hourAgo, now.wHour ? now.wMinute : 0);
  setRow({5, "", "", pastInKanji, "外出・戻り", today.c_str()});
  // From noon to 7 p.m., the next hour as an office writes it ("4時" at 15:10) is ahead, not 4 a.m.
  const bool afternoon = now.wHour >= 12 && now.wHour <= 18;
  char nextHour[16];
  std::snprintf(nextHour, sizeof nextHour, "%d時", now.wHour + 1 - 12);
  if (afternoon) setRow({6, "", "", nextHour, "外出・戻り", today.c_str()});
  setRow({7, "出張", "出張", "09:00", "外出・戻り", yesterday.c_str()});
  writeFile(d.share + "\\tv_cont.lst", &image, sizeof image);
  CreateDirectoryA(userIniPath().substr(0, userIniPath().rfind('\\')).c_str(), nullptr);
  WritePrivateProfileStringA("User", "MyName", (std::string("\"") + Names[0] + "\"").c_str(), userIniPath().c_str());
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  CHECK(gui::waitFor([&] { return gui::itemText(p.process(), w.list, 7, 1) == "出張"; }, 10000), "board read");
  SetForegroundWindow(w.main);
  screenshot("40-rows-at-a-glance");

  const Ink overdue = inkOf(p, w, 2, 3), overdueMorning = inkOf(p, w, 2, 1);
  CHECK(overdue.red > 0 && overdue.dark == 0, "an overdue return time in red: %d red, %d dark", overdue.red,
        overdue.dark);
  CHECK(overdueMorning.dark > 0 && overdueMorning.red == 0, "only the return time: %d red", overdueMorning.red);
  CHECK(inkOf(p, w, 5, 3).red > 0, "an overdue time in kanji in red too");
  const Ink ahead = inkOf(p, w, 4, 3);
  CHECK(ahead.dark > 0 && ahead.red == 0, "a return time ahead as written: %d red", ahead.red);
  if (afternoon) CHECK(inkOf(p, w, 6, 3).red == 0, "%s is the afternoon, still ahead", nextHour);
  for (int column : {0, 1, 3, 4, 5}) {
    const Ink stale = inkOf(p, w, 7, column);
    CHECK(stale.grey > 0 && stale.dark == 0 && stale.red == 0, "yesterday's row in grey, column %d: %d grey, %d dark",
          column, stale.grey, stale.dark);
  }
  // Selected, an overdue row still shows its return time in red.
  CHECK(gui::focusItem(p.process(), w.list, 2), "the overdue row selected");
  CHECK(gui::waitFor([&] { return inkOf(p, w, 2, 3).red > 0; }, 2000), "red when selected: %d red",
        inkOf(p, w, 2, 3).red);
  screenshot("41-selected-overdue-row");
  CHECK(gui::focusItem(p.process(), w.list, 3), "another row selected");
  const Ink plain = inkOf(p, w, 0, 1);
  CHECK(plain.dark > 0 && plain.red == 0, "my plain row as written");
  const Ink empty = inkOf(p, w, 1, 1);
  CHECK(empty.dark == 0 && empty.red == 0 && empty.grey == 0, "an empty row shows nothing");
  CHECK(closeProgram(p, w), "closed");
}

// At 12:43, a return time written without 午前/午後 is read as an office means it: 1 to 7 o'clock is
// the afternoon, still ahead, while 11 and 12 o'clock have passed. The test build's clock starts at 12:43.
void returnTimesAtNoon() {
  CaseDirs d = makeBoardCase("return-times-at-noon");
  const struct {
    int slot;
    const char* written;
    bool overdue;
  } cases[] = {{1, "4時", false},  {2, "4時30分", false}, {3, "3時半", false},
               {4, "0400", false}, {5, "11時", true},     {6, "12時", true}};
  for (const auto& c : cases) setRow({c.slot, "", "", c.written, "外出・戻り", todayAt("12:00")});
  writeFile(d.share + "\\tv_cont.lst", &image, sizeof image);
  const std::string faulty = exe.substr(0, exe.find_last_of('\\') + 1) + "tavelin_faults.exe";
  SetEnvironmentVariableA("TAVELIN_FAULT_CLOCK", "12:43");
  Program p;
  const bool started = p.start(faulty, d.run);
  SetEnvironmentVariableA("TAVELIN_FAULT_CLOCK", nullptr);
  CHECK(started, "start %s", faulty.c_str());
  Window w = windowOf(gui::waitForMainWindow(p, StartMs));
  if (!w.main) return;
  CHECK(gui::waitFor([&] { return gui::itemText(p.process(), w.list, 6, 3) == "12時"; }, 10000), "board read");
  SetForegroundWindow(w.main);
  screenshot("42-return-times-at-noon");
  for (const auto& c : cases) {
    const Ink ink = inkOf(p, w, c.slot, 3);
    CHECK((ink.red > 0) == c.overdue && (ink.dark > 0) != c.overdue, "%s at 12:43: %d red, %d dark", c.written, ink.red,
          ink.dark);
  }
  CHECK(closeProgram(p, w), "closed");
}

namespace {

int imageOf(const Program& p, const Window& w, int row) {
  LVITEMA item = {};
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  gui::callWithBuffer(p.process(), w.list, LVM_GETITEMA, 0, &item, sizeof item);
  return item.iImage;
}

bool iconRect(const Program& p, const Window& w, int row, RECT* r) {
  *r = {};
  r->left = LVIR_ICON;
  if (gui::callWithBuffer(p.process(), w.list, LVM_GETITEMRECT, row, r, sizeof *r) <= 0) return false;
  MapWindowPoints(w.list, nullptr, reinterpret_cast<POINT*>(r), 2);
  return true;
}

}  // namespace

// Column 0 shows each state by its own icon, and one icon for no plan or a state typed freely; the icons
// are drawn at the size of the screen's DPI (16, 24 or 32 pixels).
void stateIcons() {
  CaseDirs d = makeBoardCase("state-icons");
  setRow({3, "", "", "", "帰宅", yesterdayAt("18:00")});
  setRow({5, "有給休暇", "", "", "休暇", yesterdayAt("08:00")});
  setRow({6, "", "", "", "社内", yesterdayAt("08:30")});
  writeFile(d.share + "\\tv_cont.lst", &image, sizeof image);
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  CHECK(gui::waitFor([&] { return gui::itemText(p.process(), w.list, 6, 4) == "社内"; }, 10000), "board read");
  SetForegroundWindow(w.main);
  screenshot("49-state-icons");
  // Rows 0 社内, 1 empty, 2 外出・戻り, 3 帰宅, 4 empty, 5 typed freely, 6 社内, 7 外出・直帰.
  const int expected[NameCount] = {0, 4, 2, 1, 4, 4, 0, 3};
  std::vector<std::vector<COLORREF>> pictures;
  for (int row = 0; row < NameCount; ++row) {
    CHECK(imageOf(p, w, row) == expected[row], "row %d shows icon %d", row, imageOf(p, w, row));
    RECT r;
    CHECK(iconRect(p, w, row, &r) && r.right - r.left >= atDpi(16) && r.bottom - r.top >= atDpi(16),
          "row %d's icon %ldx%ld at %d DPI", row, r.right - r.left, r.bottom - r.top, screenDpi());
    r.right = r.left + atDpi(16);
    r.bottom = r.top + atDpi(16);
    pictures.push_back(gui::screenPixels(r));
  }
  CHECK(pictures[0] == pictures[6] && pictures[1] == pictures[5], "one picture per state");
  const int distinct[] = {0, 1, 2, 3, 7};
  for (int a : distinct)
    for (int b : distinct) CHECK(a == b || pictures[a] != pictures[b], "rows %d and %d look different", a, b);
  // The program draws the icons itself: they go with the name column wherever it is dragged.
  CHECK(gui::setColumnOrder(p.process(), w.list, {2, 0, 1, 3, 4, 5, 6}), "name column dragged second");
  screenshot("49-state-icons-moved");
  RECT moved;
  CHECK(iconRect(p, w, 3, &moved), "row 3's icon place");
  moved.right = moved.left + atDpi(16);
  moved.bottom = moved.top + atDpi(16);
  CHECK(gui::screenPixels(moved) == pictures[3], "row 3's icon in the moved column at x %ld", moved.left);
  CHECK(closeProgram(p, w), "closed");
}

namespace {

int redIn(const RECT& r) {
  int red = 0;
  for (COLORREF c : gui::screenPixels(r)) red += GetRValue(c) >= 150 && GetGValue(c) <= 90 && GetBValue(c) <= 90;
  return red;
}

bool drawnByTheProgram(const Window& w, int part) {
  return (HIWORD(gui::ask(w.status, SB_GETTEXTLENGTHA, part, 0)) & SBT_OWNERDRAW) != 0;
}

bool refreshTick(const Window& w) { return gui::sendWithin(w.main, WM_TIMER, IDT_REFRESH, 0, 5000); }

}  // namespace

// Once the last good read is older than two refresh intervals (the timer's refreshes failed twice), the
// status bar's time part says so in red; the next good read takes the warning away.
void staleBoardWarning() {
  CaseDirs d = makeBoardCase("stale-board");
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  CHECK(gui::waitFor([&] { return gui::itemText(p.process(), w.list, 0, 1) == "定例会議"; }, 10000), "board read");
  RECT part = {};
  auto timePart = [&] {
    gui::callWithBuffer(p.process(), w.status, SB_GETRECT, 1, &part, sizeof part);
    MapWindowPoints(w.status, nullptr, reinterpret_cast<POINT*>(&part), 2);
    return part;
  };
  SetForegroundWindow(w.main);
  CHECK(!drawnByTheProgram(w, 1) && redIn(timePart()) == 0, "no warning after a good read");

  const std::string board = d.share + "\\tv_cont.lst", aside = d.share + "\\aside.lst";
  MoveFileA(board.c_str(), aside.c_str());
  CHECK(refreshTick(w), "tick");
  CHECK(!drawnByTheProgram(w, 1), "one interval without a read is no warning yet");
  CHECK(refreshTick(w), "tick");
  CHECK(gui::waitFor([&] { return drawnByTheProgram(w, 1); }, 5000), "two intervals: the time part warns");
  screenshot("50-stale-board");
  CHECK(redIn(timePart()) > 0, "in red");
  CHECK(gui::statusText(p.process(), w.status, 0) == "(105)掲示板ファイルがオープンできません",
        "the reason stays beside it");

  MoveFileA(aside.c_str(), board.c_str());
  CHECK(refreshTick(w), "tick");
  CHECK(gui::waitFor([&] { return !drawnByTheProgram(w, 1); }, 5000), "a good read ends the warning");
  const std::string info = gui::statusText(p.process(), w.status, 1);
  CHECK(info.size() > 8 && info.compare(info.size() - 6, 6, "の情報") == 0, "the time again: %s", info.c_str());
  CHECK(gui::waitFor([&] { return redIn(timePart()) == 0; }, 3000), "no red (the bar repaints after its text)");

  // A lock left behind on a board nobody can change: the idle PC warns too, the holder beside it.
  holdLock(d, "DEADPC");
  CHECK(refreshTick(w) && refreshTick(w), "two ticks");
  CHECK(gui::waitFor([&] { return drawnByTheProgram(w, 1); }, 5000), "a stuck lock: the time part warns");
  screenshot("51-stale-board-stuck-lock");
  const std::string reason = gui::statusText(p.process(), w.status, 0);
  CHECK(reason.rfind("(202)他のユーザ[DEADPC]がファイルを使用中（", 0) == 0, "its holder beside it: %s",
        reason.c_str());
  CHECK(closeProgram(p, w), "closed");
}

}  // namespace gui

#pragma once
// What the entry dialog cases share: the board on the share read back, the dialog found and filled.
#include <string>
#include <vector>

#include "tests/gui/driver.h"

namespace gui {

store::BoardImage readBoard(const CaseDirs& d);

struct SlotTexts {
  std::string morning, afternoon, returnTime, state, written;
};
SlotTexts slotOf(const store::BoardImage& b, int slot);

// Every slot but the named ones holds the bytes it held before.
void checkOtherSlotsKept(const store::BoardImage& before, const store::BoardImage& after, std::vector<int> changed);

// A stamp taken between the two times (the minute may turn while OK runs).
bool stampedBetween(const std::string& written, const SYSTEMTIME& before, const SYSTEMTIME& after);
// The time written as a row write stamps it, and a day some days before.
std::string stampOf(const SYSTEMTIME& t);
// The local time once it is past 00:00, when some time of today has passed, and not 23:59, so that a
// stamp of today stays today while a case runs.
SYSTEMTIME nowPastMidnight();
SYSTEMTIME daysAgo(const SYSTEMTIME& t, int days);

struct EntryDialog {
  HWND dialog = nullptr, morning = nullptr, afternoon = nullptr, returnTime = nullptr, state = nullptr;
};
EntryDialog waitEntryDialog(const Program& p);
std::string captionOf(const EntryDialog& e);
std::string noteOf(const EntryDialog& e);

// The right click as the list view passes it on: WM_CONTEXTMENU with the row's screen point.
bool rightClickRow(const Program& p, const Window& w, int row);
void fillEntry(const EntryDialog& e, const char* morning, const char* afternoon, const char* returnTime,
               const char* state);
std::vector<std::string> historyTexts(const CaseDirs& d);
void pressKeys(std::vector<WORD> keys);

}  // namespace gui

#pragma once
// What a row says at a glance, beyond its texts: the same rules for the list's colours and for the
// CLI's flags, so both always agree.
#include <ctime>

#include "store/board.h"

namespace store {

// Written on a day before today: yesterday's plans, not today's. An empty row, or one whose time
// written cannot be read or lies ahead (clocks that differ), is not stale.
bool isStale(const BoardImage& image, int slot, const std::tm& now);

// Out and returning (ReturningState), written today, and its return time (H:MM or HH:MM once folded to
// ASCII) is already past. Any other row is not overdue.
bool isOverdue(const BoardImage& image, int slot, const std::tm& now);

// A return time as members mean it, in minutes after midnight, or -1 when it cannot be read: "15:00",
// "4時半", "0400", optionally after 午前 or 午後 (folded to ASCII digits, no spaces around). Without
// 午前/午後, 1 to 7 o'clock (up to 7:59) is the afternoon: "4時" is 16:00.
int returnTimeMinutes(const char* folded);

// Every flag, one table: its JSON key (and the web page's class for the row) and its rule. Its place in
// the table is its bit in flagsOf; the list's colours use the first two.
struct FlagRule {
  const char* key;
  bool (*holds)(const BoardImage& image, int slot, const std::tm& now);
};
const FlagRule* flagRules(int& count);
enum RowFlag : unsigned char { Overdue = 1, Stale = 2 };

// Every flag at once, a bit each, as a list or a page keeps them to tell when the clock alone changed
// a row.
unsigned char flagsOf(const BoardImage& image, int slot, const std::tm& now);

}  // namespace store

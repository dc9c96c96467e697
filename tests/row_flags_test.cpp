// Overdue and stale rows: the rules the list's colours and the CLI's flags share.
#include "store/row_flags.h"

#include <cstring>

#include "store/board.h"
#include "tests/support.h"

namespace {

// Without 午前/午後, 1 to 7 o'clock is the afternoon, in every form a return time is typed.
TEST(RowFlags, ReturnTimesAreReadAsAnOfficeMeansThem) {
  const struct {
    const char* text;
    int minutes;
  } cases[] = {
      {"4時", 16 * 60},
      {"4時半", 16 * 60 + 30},
      {"4時30分", 16 * 60 + 30},
      {"3時半", 15 * 60 + 30},
      {"0400", 16 * 60},
      {"400", 16 * 60},
      {"4:00", 16 * 60},
      {"04:00", 16 * 60},
      {"1時", 13 * 60},
      {"7時59分", 19 * 60 + 59},
      {"8時", 8 * 60},
      {"11時", 11 * 60},
      {"12時", 12 * 60},
      {"0時", 0},
      {"16時", 16 * 60},
      {"午前4時", 4 * 60},
      {"午前11時半", 11 * 60 + 30},
      {"午後4時", 16 * 60},
      {"午後11時", 23 * 60},
      {"午後0時", 12 * 60},
      {"午後1:30", 13 * 60 + 30},
      {"午後13時", -1},
      {"午前13時", -1},
      {"午後", -1},
      {"4時ごろ", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(store::returnTimeMinutes(c.text), c.minutes) << c.text;

  // Written at 12:43: back at 4 is still to come, back at 11 is past.
  std::tm now{};
  now.tm_year = 126, now.tm_mon = 11, now.tm_mday = 8, now.tm_hour = 12, now.tm_min = 43;
  const struct {
    const char* returnTime;
    bool overdue;
  } due[] = {{"4時", false}, {"11時", true}, {"４時半", false}, {"0400", false}, {"3時半", false}, {"午前4時", true}};
  for (const auto& c : due) {
    static store::BoardImage image;
    std::memset(&image, 0, sizeof image);
    std::strcpy(image.entries[4].state, "外出・戻り");
    std::strcpy(image.returnTimes[4], c.returnTime);
    std::strcpy(image.writtenAt[4], "26/12/08 12:43");
    EXPECT_EQ(store::isOverdue(image, 4, now), c.overdue) << c.returnTime;
  }
}

TEST(RowFlags, OverdueIsOutReturningWrittenTodayPastItsReturnTimeAndStaleIsWrittenBeforeToday) {
  std::tm now{};
  now.tm_year = 126, now.tm_mon = 11, now.tm_mday = 7, now.tm_hour = 15, now.tm_min = 30;  // 26/12/07 15:30
  const struct {
    const char* state;
    const char* returnTime;
    const char* written;
    bool overdue, stale;
  } cases[] = {
      {"外出・戻り", "15:00", "26/12/07 09:10", true, false},
      {"外出・戻り", "9:05", "26/12/07 08:10", true, false},        // H:MM
      {"外出・戻り", "１５：２９", "26/12/07 09:10", true, false},  // full width, folded first
      {"外出・戻り", "15:30", "26/12/07 09:10", false, false},      // due this minute, not yet past
      {"外出・戻り", "17:00", "26/12/07 09:10", false, false},
      {"外出・戻り", "15:00頃", "26/12/07 09:10", false, false},  // not a time the rule can read
      {"外出・戻り", "25:00", "26/12/07 09:10", false, false},
      {"外出・戻り", " 12:30 ", "26/12/07 09:10", true, false},  // spaces around, as older PCs stored them
      {"外出・戻り", "4時", "26/12/07 09:10", false, false},     // 16:00: an office's 4 o'clock
      {"外出・戻り", "3時", "26/12/07 09:10", true, false},      // 15:00
      {"外出・戻り", "15時", "26/12/07 09:10", true, false},
      {"外出・戻り", "15時半", "26/12/07 09:10", false, false},  // due this minute
      {"外出・戻り", "3時半", "26/12/07 09:10", false, false},   // 半 read: 15:30, due this minute (15:00 without it)
      {"外出・戻り", "15時29分", "26/12/07 09:10", true, false},
      {"外出・戻り", "１５時５分", "26/12/07 09:10", true, false},
      {"外出・戻り", "15時30分", "26/12/07 09:10", false, false},
      {"外出・戻り", "1529", "26/12/07 09:10", true, false},
      {"外出・戻り", "929", "26/12/07 09:10", true, false},
      {"外出・戻り", "1531", "26/12/07 09:10", false, false},
      {"外出・戻り", "15時ごろ", "26/12/07 09:10", false, false},
      {"外出・戻り", "15時61分", "26/12/07 09:10", false, false},
      {"外出・戻り", "15329", "26/12/07 09:10", false, false},
      {"外出・戻り", "2460", "26/12/07 09:10", false, false},
      {"外出・戻り", "15:00", "26/12/06 09:10", false, true},   // yesterday's: stale, not overdue
      {"外出・戻り", "15:00", "26/12/08 09:10", false, false},  // a clock ahead: neither
      {"外出・戻り", "15:00", "26/11/07 09:10", false, true},   // the same day a month ago: stale, not overdue
      {"社内", "15:00", "26/12/07 09:10", false, false},
      {"社内", "", "25/12/31 18:00", false, true},
      {"", "", "", false, false},  // an empty row is neither
      {"帰宅", "", "garbage", false, false},
  };
  for (const auto& c : cases) {
    static store::BoardImage image;
    std::memset(&image, 0, sizeof image);
    std::strcpy(image.entries[4].state, c.state);
    std::strcpy(image.returnTimes[4], c.returnTime);
    std::strcpy(image.writtenAt[4], c.written);
    EXPECT_EQ(store::isOverdue(image, 4, now), c.overdue) << c.state << " " << c.returnTime << " " << c.written;
    EXPECT_EQ(store::isStale(image, 4, now), c.stale) << c.state << " " << c.returnTime << " " << c.written;
    EXPECT_EQ(store::flagsOf(image, 4, now), (c.overdue ? store::Overdue : 0) | (c.stale ? store::Stale : 0));
  }
}

// Gone for the day: home, or out going straight home, written today; a page greys the row.
TEST(RowFlags, GoneIsHomeOrStraightHomeWrittenToday) {
  std::tm now{};
  now.tm_year = 126, now.tm_mon = 11, now.tm_mday = 7, now.tm_hour = 15;  // 26/12/07
  const struct {
    const char* state;
    const char* written;
    bool gone;
  } cases[] = {
      {"帰宅", "26/12/07 17:30", true},
      {"外出・直帰", "26/12/07 09:10", true},
      {"帰宅", "26/12/06 17:30", false},  // yesterday's: stale instead
      {"外出・戻り", "26/12/07 09:10", false},
      {"社内", "26/12/07 09:10", false},
      {"帰宅", "", false},
  };
  int count = 0;
  const store::FlagRule* rules = store::flagRules(count);
  int gone = -1;
  for (int i = 0; i < count; ++i)
    if (std::strcmp(rules[i].key, "gone") == 0) gone = i;
  ASSERT_GE(gone, 0);
  for (const auto& c : cases) {
    static store::BoardImage image;
    std::memset(&image, 0, sizeof image);
    std::strcpy(image.entries[9].state, c.state);
    std::strcpy(image.writtenAt[9], c.written);
    EXPECT_EQ((store::flagsOf(image, 9, now) >> gone) & 1, c.gone ? 1 : 0) << c.state << " " << c.written;
  }
}

}  // namespace

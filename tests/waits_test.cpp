#include "text/waits.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support.h"
#include "text/age.h"
#include "text/timestamps.h"

using namespace testsupport;

namespace {

std::tm at(int year, int month, int day, int hour, int minute) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  return t;
}

using WaitsTest = CoreTest;

TEST_F(WaitsTest, JitteredWaitLastsBetweenTheAmountAndFortyNineMillisecondsMore) {
  text::seedSpread(7);
  for (int i = 0; i < 500; ++i) {
    fake::sleeps.clear();
    uint64_t start = fake::nowMs;
    text::waitJittered(1000);
    uint64_t waited = fake::nowMs - start;
    ASSERT_GE(waited, 1000u);
    ASSERT_LT(waited, 1050u);
    // Sleeps in slices of at most 10 ms, and never past the end.
    for (unsigned s : fake::sleeps) ASSERT_LE(s, 10u);
  }
}

TEST_F(WaitsTest, WaitEndsExactlyOnTheAmountAndZeroDoesNotSleep) {
  uint64_t start = fake::nowMs;
  text::waitMs(1003);
  EXPECT_EQ(fake::nowMs - start, 1003u);
  EXPECT_EQ(fake::sleeps.back(), 3u);
  fake::sleeps.clear();
  text::waitMs(0);
  EXPECT_TRUE(fake::sleeps.empty());
}

TEST_F(WaitsTest, TwoProcessesStartedTogetherDrawDifferentSpreads) {
  auto draws = [](unsigned long pid) {
    fake::processId = pid;
    text::seedSpread(0);
    std::vector<unsigned> out;
    for (int i = 0; i < 8; ++i) out.push_back(text::spreadMs(50));
    return out;
  };
  EXPECT_NE(draws(1000), draws(1001));
}

TEST_F(WaitsTest, TimerPeriodIsTheMinutesPlusUpToThreeSeconds) {
  text::seedSpread(11);
  for (int i = 0; i < 300; ++i) {
    unsigned p = text::timerPeriodMs(3);
    ASSERT_GE(p, 180000u);
    ASSERT_LT(p, 183000u);
  }
  EXPECT_LT(text::timerPeriodMs(0), 3000u);
  EXPECT_GE(text::timerPeriodMs(60), 3600000u);
}

TEST_F(WaitsTest, TwoDigitYears) {
  EXPECT_EQ(text::twoDigitYear(at(1999, 1, 1, 0, 0)), 99);
  EXPECT_EQ(text::twoDigitYear(at(2002, 1, 1, 0, 0)), 2);
  EXPECT_EQ(text::twoDigitYear(at(2049, 1, 1, 0, 0)), 49);
  EXPECT_EQ(text::twoDigitYear(at(2050, 1, 1, 0, 0)), 50);
  EXPECT_EQ(text::twoDigitYear(at(2126, 1, 1, 0, 0)), 26);
}

TEST_F(WaitsTest, WrittenTimeIsZeroPadded) {
  struct Case {
    std::tm t;
    const char* expected;
  } cases[] = {
      {at(2002, 3, 2, 9, 5), "02/03/02 09:05"},
      {at(1999, 12, 31, 23, 59), "99/12/31 23:59"},
      {at(2049, 1, 1, 0, 0), "49/01/01 00:00"},
      {at(2050, 7, 10, 12, 30), "50/07/10 12:30"},
  };
  for (const Case& c : cases) {
    char out[text::WrittenAtSize];
    text::formatWrittenAt(out, sizeof out, c.t);
    EXPECT_STREQ(out, c.expected);
  }
  fake::localTime = at(2026, 12, 7, 8, 4);
  char now[text::WrittenAtSize];
  text::formatWrittenAt(now);
  EXPECT_STREQ(now, "26/12/07 08:04");
}

TEST_F(WaitsTest, StatusInfoHasTheCenturyAndASpacePaddedHour) {
  struct Case {
    std::tm t;
    const char* expected;
  } cases[] = {
      {at(2002, 3, 2, 9, 5), "2002/03/02  9:05の情報"},  {at(1999, 12, 31, 23, 59), "1999/12/31 23:59の情報"},
      {at(1950, 1, 1, 0, 0), "1950/01/01  0:00の情報"},  {at(2049, 6, 1, 10, 0), "2049/06/01 10:00の情報"},
      {at(2050, 6, 1, 10, 0), "1950/06/01 10:00の情報"},
  };
  for (const Case& c : cases) {
    text::formatStatusInfo(fake::share.statusInfoText, c.t);
    EXPECT_STREQ(fake::share.statusInfoText, c.expected);
  }
}

}  // namespace

TEST(Ages, AZeroSmallerUnitIsLeftOut) {
  const text::AgeWords words{"%llds", "%lldm", "%lldh%lldm", "%lldd%lldh", "%lldh", "%lldd"};
  const struct {
    long long seconds;
    const char* out;
  } cases[] = {{59, "59s"},           {60, "1m"},
               {3599, "59m"},         {3600, "1h"},
               {4 * 3600 + 59, "4h"}, {4 * 3600 + 300, "4h5m"},
               {86399, "23h59m"},     {86400, "1d"},
               {86400 + 3599, "1d"},  {2 * 86400 + 3 * 3600, "2d3h"}};
  for (const auto& c : cases) {
    char out[32];
    text::formatAge(c.seconds, words, out, sizeof out);
    EXPECT_STREQ(out, c.out) << c.seconds;
  }
}

#include "settings/history.h"

#include <cstring>
#include <string>
#include <vector>

#include "settings/preferences.h"
#include "tests/support.h"

using namespace testsupport;

namespace {

class HistoryTest : public CoreTest {
 protected:
  void fill(const std::vector<std::string>& texts) {
    std::memset(&fake::history, 0, sizeof fake::history);
    for (size_t i = 0; i < texts.size(); ++i) std::strcpy(fake::history.texts[i], texts[i].c_str());
  }
  std::vector<std::string> nonEmpty() {
    std::vector<std::string> out;
    for (int i = 0; i < settings::HistorySlots; ++i) {
      char text[settings::HistoryTextSize + 1];
      settings::historyText(fake::history, i, text);
      if (text[0]) out.push_back(text);
    }
    return out;
  }
};

TEST_F(HistoryTest, AddingMovesTheTextToTheFrontAndRemovesItsOlderCopy) {
  struct Case {
    std::vector<std::string> before;
    const char* add;
    std::vector<std::string> after;
  } cases[] = {
      {{"Y", "X", "Z"}, "X", {"X", "Y", "Z"}},
      {{"Y", "X", "Z"}, "W", {"W", "Y", "X", "Z"}},
      {{"Y", "X", "Z"}, "", {"Y", "X", "Z"}},
      {{"A", "A", "B", "A"}, "C", {"C", "A", "B"}},  // duplicates already present collapse
      {{}, "外出", {"外出"}},
  };
  for (const Case& c : cases) {
    fill(c.before);
    settings::addToHistory(fake::history, c.add);
    EXPECT_EQ(nonEmpty(), c.after) << "adding '" << c.add << "'";
  }
}

TEST_F(HistoryTest, FullHistoryDropsTheOldestAndSavesClearedSlots) {
  fake::windowsDir = dir.path();
  settings::initLocalPaths(fake::local);
  std::vector<std::string> twenty;
  for (int i = 0; i < 20; ++i) twenty.push_back("t" + std::to_string(i));
  struct Case {
    const char* add;
    std::vector<std::string> after;
  } cases[] = {
      {"new", {"new", "t0",  "t1",  "t2",  "t3",  "t4",  "t5",  "t6",  "t7",  "t8",
               "t9",  "t10", "t11", "t12", "t13", "t14", "t15", "t16", "t17", "t18"}},
      // Its older copy goes as well as the oldest: 19 texts, and the last slot saved as zeros.
      {"t5",
       {"t5", "t0", "t1", "t2", "t3", "t4", "t6", "t7", "t8", "t9", "t10", "t11", "t12", "t13", "t14", "t15", "t16",
        "t17", "t18"}},
  };
  for (const Case& c : cases) {
    fill(twenty);
    settings::addToHistory(fake::history, c.add);
    settings::saveHistory(fake::history, fake::local);
    std::string expected(2400, '\0');  // each text, then zeros to the end of its slot
    for (size_t i = 0; i < c.after.size(); ++i) expected.replace(i * 120, c.after[i].size(), c.after[i]);
    EXPECT_EQ(readFile(fake::local.historyPaths[settings::placeWindows]), expected) << "adding " << c.add;
  }
}

TEST_F(HistoryTest, EmptySlotsInTheMiddleCollapseIntoOneAfterTheFirstAdd) {
  fill({"A", "", "B", "", "C"});
  settings::addToHistory(fake::history, "D");
  EXPECT_STREQ(fake::history.texts[0], "D");
  EXPECT_STREQ(fake::history.texts[1], "A");
  EXPECT_STREQ(fake::history.texts[2], "");  // the first empty candidate is kept once
  EXPECT_STREQ(fake::history.texts[3], "B");
  EXPECT_STREQ(fake::history.texts[4], "C");
}

TEST_F(HistoryTest, MorningThenAfternoonPutsTheAfternoonFirst) {
  fill({"old"});
  settings::addToHistory(fake::history, "朝会");
  settings::addToHistory(fake::history, "客先");
  EXPECT_EQ(nonEmpty(), (std::vector<std::string>{"客先", "朝会", "old"}));
}

TEST_F(HistoryTest, SlotWithoutNulIsReadBoundedAndNeverSpillsIntoTheNext) {
  std::memset(fake::history.texts[0], 'x', 120);
  std::strcpy(fake::history.texts[1], "next");
  char text[settings::HistoryTextSize + 1];
  settings::historyText(fake::history, 0, text);
  EXPECT_EQ(std::strlen(text), 120u);
  settings::addToHistory(fake::history, "new");
  EXPECT_STREQ(fake::history.texts[0], "new");
  EXPECT_EQ(fake::history.texts[1][119], '\0');
  EXPECT_STREQ(fake::history.texts[2], "next");
}

TEST_F(HistoryTest, ShortFileFillsOnlyItsLength) {
  fake::windowsDir = dir.path();
  settings::initLocalPaths(fake::local);
  fill({"keep0", "keep1keep1keep1keep1", "keep2"});
  std::string bytes(130, '\0');
  std::memcpy(&bytes[0], "file0", 6);
  writeFile(fake::local.historyPaths[settings::placeWindows], bytes);
  settings::loadHistory(fake::history, fake::local);
  EXPECT_STREQ(fake::history.texts[0], "file0");
  EXPECT_STREQ(fake::history.texts[1], "");                 // the file's 10 bytes of slot 1 were zero
  EXPECT_STREQ(fake::history.texts[1] + 10, "keep1keep1");  // and the rest is as it was
  EXPECT_STREQ(fake::history.texts[2], "keep2");
  settings::saveHistory(fake::history, fake::local);
  EXPECT_EQ(readFile(fake::local.historyPaths[settings::placeWindows]).size(), 2400u);
}

}  // namespace

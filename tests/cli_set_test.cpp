#include <string>
#include <vector>

#include "cli/commands.h"
#include "store/board.h"
#include "tests/support.h"

using namespace testsupport;

namespace {

class CliSet : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    fake::localTime.tm_year = 126;  // 2026-12-07 09:05
    fake::localTime.tm_mon = 11;
    fake::localTime.tm_mday = 7;
    fake::localTime.tm_hour = 9;
    fake::localTime.tm_min = 5;
    names = dir.file("tv_name.lst");
    board = dir.file("tv_cont.lst");
    writeFile(names, "A;B;C;B2;\r\n");
    writeFile(board, "");
  }
  int set(std::vector<std::string> words) {
    words.insert(words.begin(), {"set", "--names", names, "--board", board});
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(&w[0]);
    return cli::runSet(static_cast<int>(argv.size()), argv.data());
  }
  // The row of the file: morning, afternoon, return, state, written.
  std::vector<std::string> row(int slot) {
    std::string f = readFile(board);
    f.resize(store::BoardSize);
    auto text = [&](size_t offset) { return std::string(f.c_str() + offset); };
    size_t e = 19200 + slot * 256;
    return {text(e), text(e + 120), text(96000 + slot * 64), text(e + 240), text(115200 + slot * 256)};
  }
  std::string names, board;
};

using Row = std::vector<std::string>;

TEST_F(CliSet, WritesLikeTheDialogsOkKeepingFieldsNotGiven) {
  struct Step {
    std::vector<std::string> args;
    int exit;
    int slot;
    Row row;
  } steps[] = {
      {{"--slot", "1", "--morning", u8"会議", "--return", u8"１７：３０"},
       0,
       1,
       {"会議", "", "17:30", "", "26/12/07 09:05"}},
      {{"--member", "B", "--state", u8"外出・戻り"}, 0, 1, {"会議", "", "17:30", "外出・戻り", "26/12/07 09:05"}},
      // Only the state given: the plans are kept, not emptied.
      {{"--slot", "1", "--afternoon", u8"（外出）"},
       0,
       1,
       {"会議", "（外出）", "17:30", "外出・戻り", "26/12/07 09:05"}},
      // All four empty: the row is cleared, the time too.
      {{"--slot", "1", "--morning", "", "--afternoon", "", "--return", "", "--state", ""}, 0, 1, {"", "", "", "", ""}},
      {{"--slot", "2", "--state", "x"}, 0, 2, {"", "", "", "x", "26/12/07 09:05"}},
      {{"--slot", "2", "--clear"}, 0, 2, {"", "", "", "", ""}},
  };
  for (const Step& s : steps) {
    EXPECT_EQ(set(s.args), s.exit) << s.args[1];
    EXPECT_EQ(row(s.slot), s.row) << s.args[1];
  }
  EXPECT_EQ(readFile(board).size(), store::BoardSize);
}

TEST_F(CliSet, RejectedArgumentsWriteNothing) {
  ASSERT_EQ(set({"--slot", "0", "--morning", "keep"}), 0);
  const std::string before = readFile(board);
  const std::vector<std::string> rejected[] = {
      {"--slot", "4"},                                   // only four members
      {"--member", "D"},                                 // nobody
      {"--member", "b"},                                 // the match is exact
      {"--slot", "0", "--state", std::string(15, 's')},  // longer than the dialog passes
      {"--slot", "0", "--morning", u8"\U0001F600"},      // not in CP932
      {"--slot", "0", "--return", std::string(63, '1')},
  };
  for (const auto& args : rejected) {
    EXPECT_EQ(set(args), 2) << args[1];
    EXPECT_EQ(readFile(board), before) << args[1];
  }
}

TEST_F(CliSet, AFailedBoardAccessIsExitStatusOne) {
  std::remove(board.c_str());
  EXPECT_EQ(set({"--slot", "0", "--state", "x"}), 1);
  EXPECT_FALSE(exists(board));
}

}  // namespace

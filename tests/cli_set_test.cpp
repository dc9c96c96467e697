#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/mounts.h"
#include "platform/faults.h"
#include "store/board.h"
#include "tests/cli_support.h"
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
  void TearDown() override { cli::mountTablePath = "/proc/self/mountinfo"; }
  clisupport::Run set(std::vector<std::string> words) {
    words.insert(words.begin(), {"set", "--names", names, "--board", board});
    return clisupport::run(cli::runSet, words);
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
      {{"--slot", "3", "--morning", "--:--"}, 0, 3, {"--:--", "", "", "", "26/12/07 09:05"}},
  };
  for (const Step& s : steps) {
    EXPECT_EQ(set(s.args).exit, s.exit) << s.args[1];
    EXPECT_EQ(row(s.slot), s.row) << s.args[1];
  }
  EXPECT_EQ(readFile(board).size(), store::BoardSize);
}

TEST_F(CliSet, RejectedArgumentsWriteNothing) {
  ASSERT_EQ(set({"--slot", "0", "--morning", "keep"}).exit, 0);
  const std::string before = readFile(board);
  const std::vector<std::string> rejected[] = {
      {"--slot", "4"},                                   // only four members
      {"--member", "D"},                                 // nobody
      {"--member", "b"},                                 // the match is exact
      {"--slot", "0", "--state", std::string(15, 's')},  // longer than the dialog passes
      {"--slot", "0", "--morning", u8"\U0001F600"},      // not in CP932
      {"--slot", "0", "--return", std::string(63, '1')},
      {"--slot", "0", "--return", "--clear"},  // a forgotten value is no text
      {"--slot", "0", "--morning", "-h"},
      {"--slot", "0", "--state", "\x1b[31m"},  // control characters would reach every PC raw
      {"--slot", "0", "--state", "a\x7f"},
      {"--slot", "0", "--afternoon", "a\tb"},
      {"--slot", "0", "--morning", u8"a\u0080"},
  };
  for (const auto& args : rejected) {
    EXPECT_EQ(set(args).exit, 2) << args[3];
    EXPECT_EQ(readFile(board), before) << args[3];
  }
}

TEST_F(CliSet, AFailedBoardAccessIsExitStatusOne) {
  std::remove(board.c_str());
  EXPECT_EQ(set({"--slot", "0", "--state", "x"}).exit, 1);
  EXPECT_FALSE(exists(board));
}

// Files that are not what they are given as, and shares where a write is not safe: refused
// before anything is written, with a message that says why; --force and --no-lock go past.
TEST_F(CliSet, RefusesWhatWouldDamageTheShare) {
  const std::string list = "A;B;C;B2;\r\n";
  const std::string image(store::BoardSize, '\0');
  const auto noLockFile = [] { files::faults::failAt(1, true, files::faults::Op::create); };
  struct Case {
    std::string what;
    std::function<void()> arrange;
    std::string mount;              // the type of a mount over the share's folder, if any
    std::vector<std::string> args;  // SOURCE (when given here) and the options beyond the row's
    int exit;
    std::string said;  // in stderr
  } cases[] = {
      {"the name list as the board", [&] { writeFile(board, list); }, "", {}, 2, "probably not the board"},
      {"just short of a board", [&] { writeFile(board, image.substr(1)); }, "", {}, 2, "191999 bytes"},
      {"a whole board", [&] { writeFile(board, image); }, "", {}, 0, ""},
      // An empty board being filled by a first writer, which holds the lock: short only until it is done.
      {"a board in its first write",
       [&] {
         writeFile(board, image.substr(0, 131072));
         writeFile(dir.file("sem.dat"), "PC-2");
         fake::afterSleep = [&] {
           writeFile(board, image);
           std::remove(dir.file("sem.dat").c_str());
         };
       },
       "",
       {},
       0,
       ""},
      // A lock that stays: a short board is still refused; a whole one waits for the lock, as any write.
      {"the name list as the board, locked",
       [&] {
         writeFile(board, list);
         writeFile(dir.file("sem.dat"), "PC-2");
       },
       "",
       {},
       2,
       "probably not the board"},
      {"a whole board, locked",
       [&] {
         writeFile(board, image);
         writeFile(dir.file("sem.dat"), "PC-2");
       },
       "",
       {},
       1,
       ""},
      {"forced", [&] { writeFile(board, list); }, "", {"--force"}, 0, ""},
      {"swapped",
       [&] { writeFile(board, image); },
       "",
       {"--names", board, "--board", names},
       2,
       "probably not the board"},
      {"one file for both", [] {}, "", {"--names", names, "--board", names}, 2, "the same file"},
      {"one file, two spellings",
       [] {},
       "",
       {"--names", names, "--board", dir.path() + "/./tv_name.lst"},
       2,
       "the same file"},
      {"no lock can be made", noLockFile, "", {}, 1, "no lock file can be made in '" + dir.path() + "'"},
      {"a lock left behind",
       [&] {
         writeFile(dir.file("sem.dat"), "PC-2");
         std::filesystem::last_write_time(dir.file("sem.dat"),
                                          std::filesystem::file_time_type::clock::now() - std::chrono::hours(3));
       },
       "",
       {},
       1,
       "lock held by PC-2 for 3 h"},
      {"no lock, and told so", noLockFile, "", {"--no-lock"}, 0, ""},
#ifndef _WIN32
      {"a FUSE SMB mount", [] {}, "fuse.smbnetfs", {}, 1, "fuse.smbnetfs mount"},
      {"a FUSE SMB mount, and told so", [] {}, "fuse.gvfsd-fuse", {"--no-lock"}, 0, ""},
      {"the kernel's SMB client", [] {}, "cifs", {}, 0, ""},
#endif
  };
  const std::string mounts = dir.file("mounts");
  for (const Case& c : cases) {
    fake::resetAll();
    std::remove(dir.file("sem.dat").c_str());
    writeFile(names, list);
    writeFile(board, "");
    std::remove(dir.file("sem.dat").c_str());
    c.arrange();
    writeFile(mounts, c.mount.empty() ? "" : clisupport::mountTable(dir.path(), c.mount));
    cli::mountTablePath = mounts.c_str();
    const std::string namesBefore = readFile(names), boardBefore = readFile(board);
    std::vector<std::string> args = c.args;
    if (args.empty() || args[0] != "--names") args.insert(args.begin(), {"--names", names, "--board", board});
    args.insert(args.begin(), "set");
    args.insert(args.end(), {"--slot", "0", "--state", "x"});
    const auto r = clisupport::run(cli::runSet, args);
    EXPECT_EQ(r.exit, c.exit) << c.what << "\n" << r.err;
    EXPECT_NE(r.err.find(c.said), std::string::npos) << c.what << "\n" << r.err;
    EXPECT_EQ(readFile(names), namesBefore) << c.what;
    if (c.exit != 0) {
      EXPECT_EQ(readFile(board), boardBefore) << c.what;
    } else {
      EXPECT_EQ(row(0)[3], "x") << c.what;
    }
  }
}

TEST_F(CliSet, ANameListThatDoesNotOpenIsTriedForTwentySeconds) {
  files::faults::failAt(1, true, files::faults::Op::open);  // a share that does not answer
  const uint64_t start = fake::nowMs;
  EXPECT_EQ(set({"--slot", "0", "--state", "x"}).exit, 1);
  EXPECT_GE(fake::nowMs - start, 20000u);
  EXPECT_LT(fake::nowMs - start, 21000u);
}

}  // namespace

namespace {

// Conventions of git and curl: "--" and --opt=value, one line per refusal with typed text echoed
// so that it cannot reorder or disguise the terminal's line, and a miss that lists a few names.
TEST_F(CliSet, ArgumentsAndRefusalsFollowTheUsualConventions) {
  std::string many;
  for (int i = 0; i < 30; ++i) many += "Tanaka " + std::to_string(i) + ";";
  struct Case {
    std::vector<std::string> args;
    int exit;
    std::string said;     // on stderr
    std::string notSaid;  // nor this
    Row row0;             // slot 0 after it (morning, afternoon, return, state, written); empty: unchanged
  } cases[] = {
      {{"--slot", "0", "--morning=--agenda", "--state=x"}, 0, "", "", {"--agenda", "", "", "x", "26/12/07 09:05"}},
      {{"--slot=0", "--morning", "a", "--", "--state"}, 2, "unexpected argument '--state'", "", {}},
      {{"--slot", "0", "--clear=yes"}, 2, "takes no value: '--clear'", "", {}},
      {{"--slot", "0"}, 2, "nothing to write", "usage:", {}},
      {{"--slot", "0", "--touch"}, 0, "", "", {"keep", "", "", "", "26/12/07 09:05"}},
      {{"--slot", "0", "--touch", "--clear"}, 2, "give one of", "", {}},
      {{"--slot", "0", "--state", u8"x\u202Ey"}, 2, "U+202E '\\u{202e}'", u8"\u202E", {}},
      {{"--slot", "0", "--state", u8"\u0301"}, 2, "'\\u{301}'", u8"'\u0301", {}},
      {{"--member", u8"\u202Eab", "--state", "x"}, 2, "no member has exactly this name", "usage:", {}},
      {{"--member", "Tanaka", "--state", "x"}, 2, "     4  Tanaka 4\n  and 25 more\n", "Tanaka 5;", {}},
  };
  for (const Case& c : cases) {
    fake::resetAll();
    fake::localTime.tm_year = 126, fake::localTime.tm_mon = 11, fake::localTime.tm_mday = 7;
    fake::localTime.tm_hour = 9, fake::localTime.tm_min = 5;
    const bool tanaka = c.args[1] == "Tanaka";
    writeFile(names, tanaka ? many : "A;B;C;B2;\r\n");
    writeFile(board, "");
    ASSERT_EQ(set({"--slot", "0", "--morning", "keep"}).exit, 0);
    const std::string before = readFile(board);
    fake::localTime.tm_min = 5;
    const auto r = set(c.args);
    EXPECT_EQ(r.exit, c.exit) << c.said << "\n" << r.err;
    EXPECT_NE(r.err.find(c.said), std::string::npos) << c.said << "\n" << r.err;
    if (!c.notSaid.empty()) {
      EXPECT_EQ(r.err.find(c.notSaid), std::string::npos) << c.notSaid << "\n" << r.err;
    }
    if (c.exit != 0 && !tanaka) {
      EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;  // one line
    }
    if (c.row0.empty()) {
      EXPECT_EQ(readFile(board), before) << c.said;
    } else {
      EXPECT_EQ(row(0), c.row0) << c.said;
    }
  }
}

// A folder or a device where sem.dat belongs is no PC's lock: answered at once, never deleted; a
// lock file no PC could have written is shown cut.
TEST_F(CliSet, ALockFileThatIsNoLockIsAnsweredAtOnce) {
  const std::string lock = dir.file("sem.dat");
  struct Case {
    int (*command)(int, char**);
    std::vector<std::string> args;
    bool folder;  // else 10 KB of 'A'
    int exit;
    std::string said;
  } cases[] = {
      {cli::runSet,
       {"set", "--names", names, "--board", board, "--slot", "0", "--state", "x"},
       true,
       1,
       "is a folder, not a lock file"},
      {cli::runShow, {"show", "--names", names, "--board", board}, true, 1, "is a folder, not a lock file"},
      {cli::runResetLock, {"reset-lock", "--board", board}, true, 1, "is a folder, not a lock file"},
      {cli::runResetLock,
       {"reset-lock", "--board", board},
       false,
       0,
       "lock held by " + std::string(63, 'A') + "... (cut; no PC has a name this long)"},
  };
  for (const Case& c : cases) {
    fake::resetAll();
    std::filesystem::remove_all(lock);
    if (c.folder)
      std::filesystem::create_directory(lock);
    else
      writeFile(lock, std::string(10240, 'A'));
    const uint64_t start = fake::nowMs;
    const auto r = clisupport::run(c.command, c.args);
    EXPECT_EQ(r.exit, c.exit) << c.said << "\n" << r.err;
    EXPECT_NE((r.out + r.err).find(c.said), std::string::npos) << c.said << "\n" << r.out << r.err;
    EXPECT_LT(fake::nowMs - start, 1000u) << c.said;
    EXPECT_LT(r.out.size() + r.err.size(), 400u) << r.out << r.err;
    EXPECT_EQ(std::filesystem::is_directory(lock), c.folder) << c.said;
  }
}

}  // namespace

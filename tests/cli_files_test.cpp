// What the commands do with files that are not what they should be: only regular files are read, a
// failure that no wait can change is told at once with its path and reason, and output that did
// not reach its file is no success.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/output.h"
#include "tests/cli_support.h"
#include "tests/support.h"

using namespace testsupport;

namespace {

using CliFiles = CoreTest;

#ifndef _WIN32
TEST_F(CliFiles, OnlyRegularFilesAreReadAndCertainFailuresAreToldAtOnce) {
  const std::string names = dir.file("tv_name.lst"), board = dir.file("tv_cont.lst"), fifo = dir.file("fifo");
  const std::string loop = dir.file("loop"), missing = dir.file("missing");
  using Command = int (*)(int, char**);
  struct Case {
    Command command;
    std::vector<std::string> args;
    int exit;
    std::string said;
  } cases[] = {
      {cli::runShow,
       {"--names", fifo, "--board", board},
       2,
       "not a regular file (a FIFO, a device or a socket), not a name list: '" + fifo + "'"},
      {cli::runShow,
       {"--names", names, "--board", fifo},
       2,
       "not a regular file (a FIFO, a device or a socket), not a board file"},
      {cli::runShow, {"--board", "/dev/zero"}, 2, "not a board file: '/dev/zero'"},
      {cli::runSet,
       {"--names", names, "--board", "/dev/zero", "--no-lock", "--slot", "0", "--state", "x"},
       2,
       "not a board file"},
      {cli::runSet, {"--names", "/dev/urandom", "--board", board, "--slot", "0", "--state", "x"}, 2, "not a name list"},
      {cli::runShow,
       {"--names", missing, "--board", board},
       1,
       "cannot open the name list '" + missing + "': no such file"},
      {cli::runShow,
       {"--names", loop, "--board", board},
       1,
       "cannot open the name list '" + loop + "': Too many levels of symbolic links\n"},
      {cli::runSet,
       {"--names", missing + "/x", "--board", board, "--slot", "0", "--state", "x"},
       1,
       "x': no such file"},
      {cli::runCheckNames, {fifo}, 2, "cannot read '" + fifo + "': not a regular file"},
      {cli::runCheckNames, {"/dev/zero"}, 2, "cannot read '/dev/zero': not a regular file"},
      {cli::runCheckNames, {missing}, 2, "cannot read '" + missing + "': no such file"},
      {cli::runCheckNames, {dir.path()}, 2, "cannot read '" + dir.path() + "': a folder, not a file"},
      {cli::runCheckNames, {loop}, 2, "cannot read '" + loop + "': Too many levels of symbolic links"},
      {cli::runInitShare,
       {dir.path(), "--names", fifo},
       1,
       "'" + fifo + "' (--names) cannot be read: not a regular file"},
      {cli::runInitShare, {dir.path(), "--names", "/dev/urandom"}, 1, "(--names) cannot be read: not a regular file"},
      {cli::runInitShare, {dir.path(), "--names", missing}, 1, "(--names) cannot be read: no such file"},
      {cli::runInitShare, {dir.path(), "--names", dir.file("big")}, 2, "(--names) is larger than 65536 bytes"},
      {cli::runInitShare, {names}, 2, "'" + names + "' is a regular file, not a directory"},
      {cli::runInitShare, {missing}, 1, "'" + missing + "' cannot be used: no such file"},
  };
  for (const Case& c : cases) {
    fake::resetAll();
    std::remove(dir.file("new/tv_name.lst").c_str());
    writeFile(names, "A;B;");
    writeFile(board, "");
    writeFile(dir.file("big"), std::string(70000, 'a'));
    mkfifo(fifo.c_str(), 0600);
    symlink(loop.c_str(), loop.c_str());
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), "cmd");
    const uint64_t start = fake::nowMs;
    const auto r = clisupport::run(c.command, args);
    EXPECT_EQ(r.exit, c.exit) << c.said << "\n" << r.err;
    EXPECT_NE(r.err.find(c.said), std::string::npos) << c.said << "\n" << r.err;
    EXPECT_LT(fake::nowMs - start, 1000u) << c.said;  // told at the first try
    EXPECT_EQ(r.err.find("tried"), std::string::npos) << r.err;
    EXPECT_FALSE(exists(dir.file("sem.dat"))) << c.said;
  }
  EXPECT_FALSE(exists(dir.file("tv_cont.lst.jnl")));
}

// Output that did not reach stdout (a full disk) is a failure with its reason, in every format.
TEST_F(CliFiles, OutputThatCannotBeWrittenIsAFailure) {
  const std::string names = dir.file("tv_name.lst"), board = dir.file("tv_cont.lst");
  writeFile(names, "A;B;");
  writeFile(board, "");
  using Command = int (*)(int, char**);
  const std::vector<std::pair<Command, std::vector<std::string>>> cases = {
      {cli::runShow, {"show", "--names", names, "--board", board}},
      {cli::runShow, {"show", "--names", names, "--board", board, "--json"}},
      {cli::runShow, {"show", "--names", names, "--board", board, "--csv"}},
      {cli::runCheckNames, {"check-names", names}},
      {cli::runInitShare, {"init-share", dir.file("new")}},
  };
  mkdir(dir.file("new").c_str(), 0700);
  for (const auto& c : cases) {
    std::remove(dir.file("new/tv_name.lst").c_str());
    std::remove(dir.file("new/tv_cont.lst").c_str());
    fake::resetAll();
    std::fflush(stdout);
    const int saved = dup(1), full = open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    dup2(full, 1);
    testing::internal::CaptureStderr();
    std::vector<std::string> words = c.second;
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(&w[0]);
    const int exit = c.first(static_cast<int>(argv.size()), argv.data());
    const std::string err = testing::internal::GetCapturedStderr();
    dup2(saved, 1);
    close(saved);
    close(full);
    std::clearerr(stdout);
    EXPECT_EQ(exit, 1) << words[0] << "\n" << err;
    EXPECT_NE(err.find("tavelin-cli " + words[0] + ": cannot write the output: No space left on device"),
              std::string::npos)
        << err;
  }
}
#endif

// The core's coded messages end a command as one line of the CLI's own, with the code; what an
// access cleared (an empty text) is over.
TEST(CliStatus, TheLastCodedMessageIsOneLineWithItsCode) {
  struct Case {
    std::vector<const char*> shown;
    bool failed;
    std::string said;
  } cases[] = {
      {{"サーバーアクセス中", "(301)排他ファイルの削除エラー"},
       false,
       "tavelin-cli show: warning: the lock file could not be removed: the other PCs stay locked out until it is "
       "('tavelin-cli reset-lock') (301)\n"},
      {{"(202)他のユーザ[PC]がファイルを使用中 (3/20)", ""}, false, ""},
      {{"(101)サーバーからの読み込みエラー"},
       true,
       "tavelin-cli show: reading the board file failed, on every attempt (101)\n"},
      {{}, true, "tavelin-cli show: the board operation failed\n"},
  };
  for (const Case& c : cases) {
    cli::forgetStatus();
    for (const char* text : c.shown) cli::noteStatus(text);
    testing::internal::CaptureStderr();
    cli::reportLastStatus("show", c.failed);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.said);
  }
}

}  // namespace

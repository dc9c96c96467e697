#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/mounts.h"
#include "platform/faults.h"
#include "tests/cli_support.h"
#include "tests/support.h"

using namespace testsupport;

namespace {

class CliShare : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    names = dir.file("tv_name.lst");
    board = dir.file("tv_cont.lst");
    lock = dir.file("sem.dat");
  }
  void TearDown() override { cli::mountTablePath = "/proc/self/mountinfo"; }
  // A fresh process over the share; mount: the type of a mount over the share's folder, if any.
  void fresh(const std::string& mount) {
    fake::resetAll();
    mounts = dir.file("mounts");
    writeFile(mounts, mount.empty() ? "" : clisupport::mountTable(dir.path(), mount));
    cli::mountTablePath = mounts.c_str();
  }
  std::string names, board, lock, mounts;
};

struct Case {
  std::string what;
  std::function<void()> arrange;
  std::string mount;
  std::vector<std::string> args;
  int exit;
  std::string out;  // in stdout
  std::string err;  // in stderr
};

using CliShow = CliShare;

TEST_F(CliShow, SaysWhatFailedAndReadsWhereWritingWouldBeRefused) {
  const Case cases[] = {
      {"a board", [] {}, "", {}, 0, "   0  A", ""},
      {"no name list", [&] { std::remove(names.c_str()); }, "", {}, 1, "", "cannot open the name list '" + names + "'"},
      {"a folder as the name list",
       [] {},
       "",
       {"--names", dir.path(), "--board", board},
       2,
       "",
       "a folder, not a name list"},
      {"no lock can be made",
       [] { files::faults::failAt(1, true, files::faults::Op::create); },
       "",
       {},
       0,
       "   0  A",
       "warning: no lock file can be made in '" + dir.path() + "'"},
#ifndef _WIN32
      {"a FUSE SMB mount", [] {}, "fuse.smbnetfs", {}, 0, "   0  A", ""},
#endif
  };
  for (const Case& c : cases) {
    fresh(c.mount);
    writeFile(names, "A;B;");
    writeFile(board, "");
    c.arrange();
    std::vector<std::string> args = c.args;
    if (args.empty()) args = {"--names", names, "--board", board};
    args.insert(args.begin(), "show");
    const auto r = clisupport::run(cli::runShow, args);
    EXPECT_EQ(r.exit, c.exit) << c.what << "\n" << r.err;
    EXPECT_NE(r.out.find(c.out), std::string::npos) << c.what << "\n" << r.out;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << c.what << "\n" << r.err;
  }
}

using CliResetLock = CliShare;

TEST_F(CliResetLock, RefusesWhereNoLockCanBePlacedAndTellsTheLocksAge) {
  namespace fs = std::filesystem;
  const auto dated = [&](std::chrono::hours offset) {
    return [this, offset] { fs::last_write_time(lock, fs::file_time_type::clock::now() + offset); };
  };
  const auto noLockFile = [] { files::faults::failAt(1, true, files::faults::Op::create); };
  const Case cases[] = {
      {"a lock left behind", dated(std::chrono::hours(-3)), "", {}, 0, "lock held by OTHERPC for 3 h 0 min", ""},
      {"a lock from a server whose clock is ahead",
       dated(std::chrono::hours(24 * 365)),
       "",
       {},
       0,
       "the clocks of this PC and the file server differ",
       ""},
      {"no lock can be made", noLockFile, "", {}, 1, "", "no lock file can be made in '" + dir.path() + "'"},
      {"no lock can be made, and told so", noLockFile, "", {"--no-lock"}, 0, "", ""},
#ifndef _WIN32
      {"a FUSE SMB mount", [] {}, "fuse.smbnetfs", {}, 1, "", "fuse.smbnetfs mount"},
      {"a FUSE SMB mount, and told so", [] {}, "fuse.smbnetfs", {"--no-lock"}, 0, "", ""},
#endif
  };
  for (const Case& c : cases) {
    fresh(c.mount);
    writeFile(lock, "OTHERPC");
    c.arrange();
    std::vector<std::string> args = {"reset-lock", "--board", board};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto r = clisupport::run(cli::runResetLock, args);
    EXPECT_EQ(r.exit, c.exit) << c.what << "\n" << r.err;
    EXPECT_NE(r.out.find(c.out), std::string::npos) << c.what << "\n" << r.out;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << c.what << "\n" << r.err;
    EXPECT_EQ(exists(lock), c.exit != 0) << c.what;
  }
}

}  // namespace

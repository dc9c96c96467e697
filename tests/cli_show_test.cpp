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

using CliShowAndResetLock = CoreTest;

// show reads where set would refuse, and says what failed; reset-lock refuses as set does and
// tells how old the lock is.
TEST_F(CliShowAndResetLock, OnASharePastItsBest) {
  const std::string names = dir.file("tv_name.lst"), board = dir.file("tv_cont.lst"), lock = dir.file("sem.dat");
  const std::vector<std::string> both = {"--names", names, "--board", board}, boardOnly = {"--board", board};
  const auto noLockFile = [] { files::faults::failAt(1, true, files::faults::Op::create); };
  const auto lockDated = [&](int hours) {
    namespace fs = std::filesystem;
    return [&, hours] { fs::last_write_time(lock, fs::file_time_type::clock::now() + std::chrono::hours(hours)); };
  };
  struct Case {
    int (*command)(int, char**);
    std::function<void()> arrange;
    std::string mount;  // the type of a mount over the share's folder, if any
    std::vector<std::string> args;
    int exit;
    std::string said;  // on stdout or stderr
  } cases[] = {
      {cli::runShow, [&] { std::remove(names.c_str()); }, "", both, 1, "cannot open the name list '" + names + "'"},
      {cli::runShow, [] {}, "", {"--names", dir.path(), "--board", board}, 2, "a folder, not a name list"},
      {cli::runResetLock, [] {}, "", {"--board", dir.path()}, 2, "a folder, not a board file"},
      {cli::runShow, noLockFile, "", both, 0, "warning: no lock file can be made in '" + dir.path() + "'"},
      {cli::runResetLock, lockDated(-3), "", boardOnly, 0, "lock held by OTHERPC for 3 h"},
      {cli::runResetLock, lockDated(24 * 365), "", boardOnly, 0, "the clocks of this PC and the file server differ"},
      {cli::runResetLock, noLockFile, "", boardOnly, 1, "no lock file can be made in '" + dir.path() + "'"},
      {cli::runResetLock, noLockFile, "", {"--board", board, "--no-lock"}, 0, ""},
      {cli::runResetLock, [&] { std::remove(lock.c_str()); }, "", boardOnly, 1, "there is no lock file '" + lock + "'"},
      {cli::runShow, [&] { writeFile(board, "A;B;"); }, "", both, 0, "' is 4 bytes; a board file is empty or"},
      {cli::runShow,
       [] {},
       "",
       {"--names", names, "--board", board + "x"},
       1,
       "cannot open the board file '" + board + "x' for reading: no such file"},
      // 表 ends in the byte 0x5C: older PCs lock 予定表sem.dat, which is named with a way out, also
      // before the board turns out to be missing.
      {cli::runShow,
       [] {},
       "",
       {"--names", names, "--board", dir.file(u8"予定表.lst")},
       1,
       "warning: older PCs lock '" + dir.file(u8"予定表sem.dat") + "' for the board"},
#ifndef _WIN32
      {cli::runShow, [] {}, "fuse.smbnetfs", both, 0, "   0  A"},
      {cli::runResetLock, [] {}, "fuse.smbnetfs", boardOnly, 1, "fuse.smbnetfs mount"},
#else
      // Older PCs cut at the last '\' only: they would lock the folder above.
      {cli::runShow, [] {}, "", {"--names", names, "--board", dir.path() + "/tv_cont.lst"}, 0, "older PCs cut"},
#endif
  };
  const std::string mounts = dir.file("mounts");
  for (const Case& c : cases) {
    fake::resetAll();
    const bool show = c.command == cli::runShow;
    writeFile(names, "A;B;");
    writeFile(board, "");
    std::remove(lock.c_str());
    if (!show) writeFile(lock, "OTHERPC");
    c.arrange();
    const bool hadLock = exists(lock);
    writeFile(mounts, c.mount.empty() ? "" : clisupport::mountTable(dir.path(), c.mount));
    cli::mountTablePath = mounts.c_str();
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), show ? "show" : "reset-lock");
    const auto r = clisupport::run(c.command, args);
    EXPECT_EQ(r.exit, c.exit) << args[0] << " " << c.said << "\n" << r.err;
    EXPECT_NE((r.out + r.err).find(c.said), std::string::npos) << c.said << "\n" << r.out << r.err;
    if (!show) {
      EXPECT_EQ(exists(lock), hadLock && c.exit != 0) << c.said;
    }
  }
  cli::mountTablePath = "/proc/self/mountinfo";
}

}  // namespace

namespace {

// The flags the list colours rows by, and the same rows as CSV: quoted as RFC 4180 has it, controls kept as
// they are (a CSV reader gets the text back), and a cell Excel would run as a formula shown as text.
TEST_F(CoreTest, ShowFlagsOverdueAndStaleRowsInJsonAndCsv) {
  const std::string names = dir.file("tv_name.lst"), board = dir.file("tv_cont.lst");
  writeFile(names, "A;B;C;");
  std::string image(192000, '\0');
  auto put = [&](size_t offset, const std::string& text) { image.replace(offset, text.size(), text); };
  put(19200 + 0 * 256, "say \"hi\", then\x1b[2J");  // A: a quote, a comma and an escape sequence
  put(19200 + 1 * 256 + 240, "外出・戻り");         // B: out, due back at 15:00 today
  put(96000 + 1 * 64, "15:00");
  put(115200 + 1 * 256, "26/12/07 09:10");
  put(19200 + 2 * 256 + 240, "社内");  // C: written yesterday, with what Excel would run
  put(19200 + 2 * 256 + 120, "=1+2\r\n");
  put(115200 + 2 * 256, "26/12/06 18:00");
  writeFile(board, image);
  fake::localTime = std::tm{};
  fake::localTime.tm_year = 126, fake::localTime.tm_mon = 11, fake::localTime.tm_mday = 7, fake::localTime.tm_hour = 16;
  const std::vector<std::string> source = {"show", "--names", names, "--board", board};

  auto json = source;
  json.push_back("--json");
  const clisupport::Run j = clisupport::run(cli::runShow, json);
  EXPECT_EQ(j.exit, 0);
  EXPECT_NE(j.out.find("\"name\": \"A\", \"morning\": \"say \\\"hi\\\", then\\u001b[2J\", \"afternoon\": \"\", "
                       "\"returnTime\": \"\", \"state\": \"\", \"writtenAt\": \"\", \"overdue\": false, \"stale\": "
                       "false, \"gone\": false}"),
            std::string::npos)
      << j.out;
  EXPECT_NE(j.out.find("\"writtenAt\": \"26/12/07 09:10\", \"overdue\": true, \"stale\": false, \"gone\": false}"),
            std::string::npos)
      << j.out;
  EXPECT_NE(j.out.find("\"writtenAt\": \"26/12/06 18:00\", \"overdue\": false, \"stale\": true, \"gone\": false}"),
            std::string::npos)
      << j.out;

  auto csv = source;
  csv.push_back("--csv");
  const clisupport::Run c = clisupport::run(cli::runShow, csv);
  EXPECT_EQ(c.exit, 0);
  EXPECT_EQ(c.out,
            "slot,name,morning,afternoon,returnTime,state,writtenAt,overdue,stale\r\n"
            "0,\"A\",\"say \"\"hi\"\", then\x1b[2J\",\"\",\"\",\"\",\"\",false,false\r\n"
            u8"1,\"B\",\"\",\"\",\"15:00\",\"外出・戻り\",\"26/12/07 09:10\",true,false\r\n"
            u8"2,\"C\",\"\",\"'=1+2\r\n\",\"\",\"社内\",\"26/12/06 18:00\",false,true\r\n");
  json.push_back("--csv");
  EXPECT_EQ(clisupport::run(cli::runShow, json).exit, 2);  // one format at a time
}

}  // namespace

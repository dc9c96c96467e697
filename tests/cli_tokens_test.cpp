#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "tests/cli_support.h"
#include "tests/support.h"
#include "web/tokens.h"

using namespace testsupport;

namespace {

// What a link is built on: an absolute http(s) URL that "/m/TOKEN" can follow.
TEST(CliTokens, BaseUrlIsAnAbsoluteHttpUrlThatATokenCanFollow) {
  struct Case {
    const char* url;
    const char* base;  // null: refused
  } cases[] = {
      {"https://host", "https://host"},
      {"https://host/", "https://host"},
      {"HTTP://host:8080//", "HTTP://host:8080"},
      {"https://host/tavelin/", "https://host/tavelin"},
      {"host:8080", nullptr},
      {"javascript:alert(1)//", nullptr},
      {"http://a b/", nullptr},
      {"", nullptr},
      {"http://", nullptr},
      {"https:///path", nullptr},
      {"https://x/\x1b[2J", nullptr},
      {"https://x/?a=1", nullptr},
      {"https://x/#frag", nullptr},
      {"https://\xe2\x80\xaehost", nullptr},
  };
  for (const Case& c : cases) {
    char base[64] = "", error[160] = "";
    EXPECT_EQ(web::checkBaseUrl(c.url, base, sizeof base, error, sizeof error), c.base != nullptr) << c.url;
    if (c.base) {
      EXPECT_STREQ(base, c.base) << c.url;
    }
  }
}

using CliMakeTokens = CoreTest;

#ifndef _WIN32
// The token file never takes the place of a share's file, a link, a device or a file of another
// kind, and says why; what it refuses stays as it was.
TEST_F(CliMakeTokens, NeverReplacesWhatIsNotATokenFile) {
  const std::string names = dir.file("tv_name.lst"), board = dir.file("tv_cont.lst"), out = dir.file("tokens");
  const std::string boardImage(192000, 'b');
  struct Case {
    std::function<void()> arrange;
    std::vector<std::string> args;
    int exit;
    std::string said;
    std::string keeps;  // a file that must be unchanged ("" none)
  } cases[] = {
      {[] {}, {"--out", board}, 2, "is the share's board file", board},
      {[] {}, {"--out", dir.path() + "/./tv_cont.lst"}, 2, "is the share's board file", board},
      {[] {}, {"--out", names}, 2, "is the share's name list", names},
      {[&] { writeFile(dir.file("sem.dat"), "PC"); }, {"--out", dir.file("sem.dat")}, 2, "lock file", ""},
      {[] {}, {"--out", dir.file("sem.dat")}, 2, "lock file", ""},
      {[] {}, {"--out", board + ".jnl"}, 2, "side file", ""},
      {[&] { writeFile(out, "my notes\n"); }, {"--out", out}, 2, "is not a token file; --force replaces it", out},
      {[&] { writeFile(out, ""); }, {"--out", out}, 2, "is not a token file", out},
      {[&] { symlink(board.c_str(), out.c_str()); }, {"--out", out, "--force"}, 2, "is a symbolic link", board},
      {[&] { symlink(dir.file("elsewhere").c_str(), out.c_str()); }, {"--out", out}, 2, "is a symbolic link", ""},
      {[&] { mkfifo(out.c_str(), 0600); }, {"--out", out, "--force"}, 2, "is not a regular file", ""},
      {[&] { mkdir(out.c_str(), 0700); }, {"--out", out}, 2, "is a folder", ""},
      {[] {}, {"--out", dir.file("none/tokens")}, 1, "'" + dir.file("none/tokens") + "' cannot be written: ", ""},
      {[&] { writeFile(out, "my notes\n"); }, {"--out", out, "--force"}, 0, "3 tokens written", ""},
      {[&] { writeFile(out, std::string(40, 'a') + "\tA\n"); }, {"--out", out}, 0, "3 tokens written", ""},
      {[] {}, {"--out", out, "--url", "https://h/?x"}, 2, "not have a query", ""},
      // One member's token, or the reception's, is written the same careful way.
      {[] {}, {"--out", names, "--slot", "1"}, 2, "is the share's name list", names},
      {[&] { symlink(board.c_str(), out.c_str()); }, {"--out", out, "--kiosk"}, 2, "is a symbolic link", board},
      {[&] { writeFile(out, "my notes\n"); }, {"--out", out, "--member", "B", "--force"}, 1, "was not changed", out},
      {[&] { writeFile(out, std::string(40, 'a') + "\tA\n"); },
       {"--out", out, "--slot", "1", "--url", "https://h/#x"},
       2,
       "not have a query",
       out},
      {[&] { writeFile(out, std::string(40, 'a') + "\tA\n"); }, {"--out", out, "--slot", "1"}, 0, "slot 1's token", ""},
  };
  for (const Case& c : cases) {
    fake::resetAll();
    std::filesystem::remove_all(out);
    std::remove(dir.file("sem.dat").c_str());
    writeFile(names, "A;B;C;");
    writeFile(board, boardImage);
    c.arrange();
    const std::string before = c.keeps.empty() ? "" : readFile(c.keeps);
    std::vector<std::string> args = {"make-tokens", "--names", names, "--board", board};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto r = clisupport::run(cli::runMakeTokens, args);
    EXPECT_EQ(r.exit, c.exit) << c.said << "\n" << r.err;
    EXPECT_NE(r.err.find(c.said), std::string::npos) << c.args[1] << " " << c.said << "\n" << r.err;
    if (!c.keeps.empty()) {
      EXPECT_EQ(readFile(c.keeps), before) << c.said;
    }
    if (c.exit == 0) {
      struct stat info;
      ASSERT_EQ(lstat(out.c_str(), &info), 0);
      EXPECT_TRUE(S_ISREG(info.st_mode));
      EXPECT_EQ(info.st_mode & 0777, 0600u);
    }
  }
  EXPECT_EQ(readFile(board), boardImage);
  EXPECT_EQ(readFile(names), "A;B;C;");
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))  // no temporary file left
    EXPECT_EQ(entry.path().filename().string().find("tokens."), std::string::npos) << entry.path();
}

// A token file shared with serve's group (root:tavelin 0640) keeps that read when one member's token
// is reissued, and is no warning; the world's read is one, and drops both.
TEST_F(CliMakeTokens, ReissueKeepsTheGroupsReadOnly) {
  const std::string names = dir.file("tv_name.lst"), board = dir.file("tv_cont.lst"), out = dir.file("tokens");
  writeFile(names, "A;B;");
  writeFile(board, "");
  const struct {
    mode_t before;
    bool warned;
    mode_t after;
  } cases[] = {{0600, false, 0600}, {0640, false, 0640}, {0644, true, 0600}, {0604, true, 0600}};
  for (const auto& c : cases) {
    writeFile(out, std::string(40, 'a') + "\tA\n");
    ASSERT_EQ(chmod(out.c_str(), c.before), 0);
    EXPECT_EQ(web::readableByOthers(out.c_str()), c.warned) << std::oct << c.before;
    const auto r = clisupport::run(cli::runMakeTokens,
                                   {"make-tokens", "--names", names, "--board", board, "--out", out, "--slot", "1"});
    ASSERT_EQ(r.exit, 0) << r.err;
    struct stat info;
    ASSERT_EQ(stat(out.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, c.after) << std::oct << c.before;
  }
}

#endif

// A new address for the links prints the same tokens again, with no double slash.
TEST_F(CliMakeTokens, LinksAgainForANewUrlKeepTheTokens) {
  const std::string names = dir.file("tv_name.lst"), board = dir.file("tv_cont.lst"), out = dir.file("tokens");
  writeFile(names, "A;B;");
  writeFile(board, "");
  const std::vector<std::string> source = {"make-tokens", "--names", names, "--board", board};
  auto make = source;
  make.insert(make.end(), {"--out", out, "--url", "https://old.example/"});
  const auto made = clisupport::run(cli::runMakeTokens, make);
  ASSERT_EQ(made.exit, 0) << made.err;
  const std::string tokens = readFile(out);
  auto again = source;
  again.insert(again.end(), {"--links", "--tokens", out, "--url", "https://new.example//"});
  const auto r = clisupport::run(cli::runMakeTokens, again);
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(r.out, "A\thttps://new.example/m/" + tokens.substr(0, 40) + "\nB\thttps://new.example/m/" +
                       tokens.substr(tokens.find('\n') + 1, 40) + "\n");
  EXPECT_EQ(made.out.find("//m/"), std::string::npos) << made.out;
  EXPECT_EQ(readFile(out), tokens);

  // The reception's token is no member's: its link is the kiosk view's.
  auto kiosk = source;
  kiosk.insert(kiosk.end(), {"--out", out, "--kiosk"});
  ASSERT_EQ(clisupport::run(cli::runMakeTokens, kiosk).exit, 0);
  const auto withKiosk = clisupport::run(cli::runMakeTokens, again);
  EXPECT_EQ(withKiosk.exit, 0) << withKiosk.err;
  EXPECT_EQ(withKiosk.out.substr(r.out.size()),
            "*kiosk\thttps://new.example/kiosk/" + readFile(out).substr(86, 40) + "\n");
}

// The sheet to print: one slip per member holding a token, each name and link escaped and there
// once; a revoked member and the reception have none; it replaces an earlier sheet only.
TEST_F(CliMakeTokens, SheetHoldsOneEscapedSlipPerToken) {
  const std::string names = dir.file("tv_name.lst"), board = dir.file("tv_cont.lst"), out = dir.file("tokens");
  const std::string sheet = dir.file("slips.html");
  writeFile(names, "A;<b>&\"B\";C;");
  writeFile(board, "");
  const auto run = [&](std::vector<std::string> more) {
    std::vector<std::string> args = {"make-tokens", "--names", names, "--board", board};
    args.insert(args.end(), more.begin(), more.end());
    return clisupport::run(cli::runMakeTokens, args);
  };
  const auto count = [](const std::string& hay, const std::string& needle) {
    int n = 0;
    for (size_t at = hay.find(needle); at != std::string::npos; at = hay.find(needle, at + 1)) ++n;
    return n;
  };
  const std::string url = "https://h.example/x\"<y";
  const std::string linkBase = "https://h.example/x&quot;&lt;y/m/";
  const auto made = run({"--out", out, "--url", url, "--sheet", sheet});
  ASSERT_EQ(made.exit, 0) << made.err;
  std::string page = readFile(sheet);
  const std::string tokens = readFile(out);
  EXPECT_EQ(count(page, "class=\"slip\""), 3);
  EXPECT_EQ(count(page, "<h2 class=\"name\">&lt;b&gt;&amp;&quot;B&quot;</h2>"), 1);
  EXPECT_EQ(count(page, "<h2 class=\"name\">A</h2>"), 1);
  for (size_t line = 0; line < tokens.size(); line = tokens.find('\n', line) + 1) {
    EXPECT_EQ(count(page, tokens.substr(line, 40)), 1) << tokens.substr(line, 40);
    EXPECT_EQ(count(page, linkBase + tokens.substr(line, 40)), 1);
  }
  EXPECT_EQ(count(page, "x\"<y"), 0);

  // B revoked, the reception added: two slips, neither theirs.
  ASSERT_EQ(run({"--out", out, "--member", "<b>&\"B\"", "--revoke"}).exit, 0);
  ASSERT_EQ(run({"--out", out, "--kiosk"}).exit, 0);
  const auto again = run({"--links", "--tokens", out, "--url", url, "--sheet", sheet});
  ASSERT_EQ(again.exit, 0) << again.err;
  page = readFile(sheet);
  EXPECT_EQ(count(page, "class=\"slip\""), 2);
  EXPECT_EQ(count(page, "&lt;b&gt;"), 0);
  EXPECT_EQ(count(page, "kiosk"), 0);
  EXPECT_NE(again.err.find("2 slips written"), std::string::npos) << again.err;

  // One member reissued: that member's slip alone.
  ASSERT_EQ(run({"--out", out, "--slot", "2", "--url", url, "--sheet", sheet}).exit, 0);
  page = readFile(sheet);
  EXPECT_EQ(count(page, "class=\"slip\""), 1);
  EXPECT_EQ(count(page, "<h2 class=\"name\">C</h2>"), 1);

  // What it refuses, nothing written.
  const std::string notes = dir.file("notes.html");
  writeFile(notes, "<p>my notes</p>\n");
  const std::string before = readFile(out);
  const struct {
    std::vector<std::string> args;
    std::string said;
  } refused[] = {
      {{"--links", "--tokens", out, "--url", url, "--sheet", notes}, "is not a sheet of links"},
      {{"--links", "--tokens", out, "--url", url, "--sheet", out}, "is the token file"},
      {{"--out", out, "--sheet", sheet}, "--sheet needs --url"},
      {{"--out", out, "--slot", "1", "--revoke", "--url", url, "--sheet", sheet}, "not with --revoke"},
      {{"--out", out, "--url", url, "--sheet", board}, "is the share's board file"},
  };
  for (const auto& c : refused) {
    const auto r = run(c.args);
    EXPECT_EQ(r.exit, 2) << c.said;
    EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
  }
  EXPECT_EQ(readFile(notes), "<p>my notes</p>\n");
  EXPECT_EQ(readFile(out), before);
  EXPECT_EQ(readFile(sheet), page);
}

}  // namespace

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cli/args.h"
#include "cli/commands.h"
#include "settings/preferences.h"
#include "tests/support.h"

using namespace testsupport;

namespace {

struct Argv {
  std::vector<std::string> words;
  std::vector<char*> ptrs;
  explicit Argv(std::vector<std::string> w) : words(std::move(w)) {
    words.insert(words.begin(), "cmd");
    for (auto& s : words) ptrs.push_back(&s[0]);
  }
  int argc() { return static_cast<int>(ptrs.size()); }
  char** argv() { return ptrs.data(); }
};

// Options point into argv, so the words of the latest parse are kept alive until the next one.
bool parse(std::vector<std::string> words, unsigned allow, cli::Options& out, std::string* error = nullptr) {
  static std::unique_ptr<Argv> a;
  a = std::make_unique<Argv>(std::move(words));
  char buf[512];
  bool ok = cli::parseOptions(a->argc(), a->argv(), allow, out, buf, sizeof buf);
  if (error) *error = buf;
  return ok;
}

constexpr unsigned SetAllow = cli::SetOptions;
constexpr unsigned ShowAllow = cli::ShowOptions;
constexpr unsigned InitAllow = cli::InitShareOptions;

TEST(CliOptions, EachCommandAcceptsItsOwnOptionsOnly) {
  struct Case {
    unsigned allow;
    std::vector<std::string> words;
    bool ok;
  } cases[] = {
      {ShowAllow, {}, true},
      {ShowAllow, {"--json", "--board", "b"}, true},
      {ShowAllow, {"--slot", "1"}, false},
      {ShowAllow, {"--board"}, false},  // value missing
      {ShowAllow, {"--board", "a", "--board", "b"}, false},
      {ShowAllow, {"stray"}, false},
      {SetAllow, {"--slot", "3"}, true},
      {SetAllow, {"--member", "x", "--morning", ""}, true},
      {SetAllow, {}, false},                                // no row picked
      {SetAllow, {"--slot", "1", "--member", "x"}, false},  // two rows picked
      {SetAllow, {"--slot", "-1"}, false},
      {SetAllow, {"--slot", "1x"}, false},
      {SetAllow, {"--slot", ""}, false},
      {SetAllow, {"--slot", "0", "--clear"}, true},
      {SetAllow, {"--slot", "0", "--clear", "--state", "a"}, false},  // clearing and writing at once
      {SetAllow, {"--slot", "0", "--json"}, false},
      {SetAllow, {"--slot", "0", "--return", "--clear"}, false},  // an option where the value belongs
      {SetAllow, {"--member", "--slot", "1"}, false},
      {SetAllow, {"--slot", "0", "--state", "-h"}, false},
      {SetAllow, {"--slot", "0", "--state", "--"}, true},
      {SetAllow, {"--slot", "0", "--state", "-"}, true},
      {SetAllow, {"--slot", "0", "--force", "--no-lock"}, true},
      {ShowAllow, {"--no-lock"}, false},
      {ShowAllow, {"--board", "--json"}, false},
      {ShowAllow, {"--csv"}, true},
      {cli::ResetLockOptions, {"--no-lock"}, true},
      {cli::ResetLockOptions, {"--slot", "1"}, false},
      {cli::CheckNamesOptions, {}, false},
      {cli::CheckNamesOptions, {"f", "g"}, false},
      {cli::CheckNamesOptions, {"--names", "n", "f"}, false},
      {cli::CheckNamesOptions, {"f", "--board", "b"}, true},
      {InitAllow, {"d", "--names", "n"}, true},
      {InitAllow, {"d", "--board", "b"}, false},
      {cli::AllowSource, {"--prefs", "p"}, true},
      {cli::AllowSource, {"--prefs=p"}, true},
      {cli::AllowSource, {"--prefs="}, true},  // an empty value, given
      {cli::AllowSource, {"--prefs=p", "--prefs", "q"}, false},
      {cli::AllowSource, {"--bogus=p"}, false},
      {ShowAllow, {"--json=yes"}, false},
      {cli::CheckNamesOptions, {"--", "-names.lst"}, true},
      {cli::CheckNamesOptions, {"--", "--help"}, true},  // a file named so
      {cli::CheckNamesOptions, {"--", "a", "b"}, false},
      {SetAllow, {"--slot", "0", "--", "--clear"}, false},
  };
  for (const Case& c : cases) {
    cli::Options o;
    std::string error;
    std::string args;
    for (auto& w : c.words) args += "[" + w + "]";
    EXPECT_EQ(parse(c.words, c.allow, o, &error), c.ok) << args << " " << error;
    if (!c.ok) {
      EXPECT_FALSE(error.empty()) << args;
    }
  }
}

TEST(CliOptions, ValuesLandInTheirFieldsAndAbsentTextsStayNull) {
  cli::Options o;
  ASSERT_TRUE(parse({"--names", "n", "--board", "b", "--slot", "12", "--state", "s", "--return", ""}, SetAllow, o));
  EXPECT_STREQ(o.namesPath, "n");
  EXPECT_STREQ(o.boardPath, "b");
  EXPECT_EQ(o.slot, 12);
  EXPECT_STREQ(o.state, "s");
  EXPECT_STREQ(o.returnTime, "");  // given empty is not the same as not given
  EXPECT_EQ(o.morning, nullptr);
  EXPECT_EQ(o.afternoon, nullptr);
  ASSERT_TRUE(parse({"dir"}, InitAllow, o));
  EXPECT_STREQ(o.operand, "dir");
  ASSERT_TRUE(parse({"--slot", "1", "--help", "--bogus"}, SetAllow, o));
  EXPECT_TRUE(o.help);
  ASSERT_TRUE(parse({"--slot=7", "--morning=--x", "--afternoon=a=b", "--return="}, SetAllow, o));
  EXPECT_EQ(o.slot, 7);
  EXPECT_STREQ(o.morning, "--x");
  EXPECT_STREQ(o.afternoon, "a=b");
  EXPECT_STREQ(o.returnTime, "");
  ASSERT_TRUE(parse({"--", "--help"}, cli::CheckNamesOptions, o));
  EXPECT_FALSE(o.help);
  EXPECT_STREQ(o.operand, "--help");
}

TEST(CliSource, CombinationsOfSourceOptions) {
  struct Case {
    std::vector<std::string> words;
    cli::Need need;
    bool ok;
    cli::SourceKind kind;
  } cases[] = {
      {{}, cli::Need::boardAndNames, true, cli::SourceKind::defaults},
      {{"--prefs", "p"}, cli::Need::boardAndNames, true, cli::SourceKind::prefsFile},
      {{"--names", "n", "--board", "b"}, cli::Need::boardAndNames, true, cli::SourceKind::paths},
      {{"--board", "b"}, cli::Need::board, true, cli::SourceKind::paths},
      {{"--board", "b"}, cli::Need::boardAndNames, false, {}},
      {{"--names", "n"}, cli::Need::board, false, {}},
      {{"--prefs", "p", "--board", "b"}, cli::Need::board, false, {}},
  };
  for (const Case& c : cases) {
    cli::Options o;
    ASSERT_TRUE(parse(c.words, cli::AllowSource, o));
    cli::SourceKind kind{};
    char error[256];
    EXPECT_EQ(cli::checkSource(o, c.need, kind, error, sizeof error), c.ok) << c.words.size();
    if (c.ok) {
      EXPECT_EQ(kind, c.kind);
    }
  }
}

using CliSourceFiles = CoreTest;

TEST_F(CliSourceFiles, APreferencesFileGivesBothPathsAndAnythingElseIsRefused) {
  settings::Preferences record{};
  std::memcpy(record.magic, settings::PrefsMagic, sizeof settings::PrefsMagic);
  std::strcpy(record.nameListPath, "N:\\share\\tv_name.lst");
  std::strcpy(record.boardPath, "N:\\share\\tv_cont.lst");
  writeFile(dir.file("good.prf"), std::string(reinterpret_cast<const char*>(&record), sizeof record));
  record.magic[0] = 'X';
  writeFile(dir.file("bad.prf"), std::string(reinterpret_cast<const char*>(&record), sizeof record));
  writeFile(dir.file("short.prf"), "TAVE");

  struct Case {
    std::string file;
    bool ok;
  } cases[] = {{"good.prf", true}, {"bad.prf", false}, {"short.prf", false}, {"missing.prf", false}};
  for (const Case& c : cases) {
    settings::resetPreferences(fake::local);
    std::string path = dir.file(c.file);
    cli::Options o;
    o.prefsPath = path.c_str();
    char error[512];
    EXPECT_EQ(cli::applySource(o, cli::SourceKind::prefsFile, error, sizeof error), c.ok) << c.file;
    if (c.ok) {
      EXPECT_STREQ(fake::local.prefs.nameListPath, "N:\\share\\tv_name.lst");
      EXPECT_STREQ(fake::local.prefs.boardPath, "N:\\share\\tv_cont.lst");
    }
  }
}

TEST_F(CliSourceFiles, GivenPathsMustFitThePreferencesField) {
  std::string fits(255, 'p'), tooLong(256, 'p');
  struct Case {
    const std::string& board;
    bool ok;
  } cases[] = {{fits, true}, {tooLong, false}};
  for (const Case& c : cases) {
    cli::Options o;
    o.namesPath = "names";
    o.boardPath = c.board.c_str();
    char error[512];
    EXPECT_EQ(cli::applySource(o, cli::SourceKind::paths, error, sizeof error), c.ok) << c.board.size();
    if (c.ok) {
      EXPECT_STREQ(fake::local.prefs.nameListPath, "names");
      EXPECT_EQ(std::string(fake::local.prefs.boardPath, 255), fits);
    }
  }
}

TEST_F(CliSourceFiles, TheDefaultSourceIsThePreferencesTheProgramLoads) {
  fake::currentDir = dir.path();
  fake::windowsDir = dir.path() + "-none";
  cli::Options o;
  char error[512];
  EXPECT_FALSE(cli::applySource(o, cli::SourceKind::defaults, error, sizeof error));

  settings::Preferences record{};
  std::memcpy(record.magic, settings::PrefsMagic, sizeof settings::PrefsMagic);
  std::strcpy(record.boardPath, "B:\\tv_cont.lst");
  writeFile(dir.file("tavelin.prf"), std::string(reinterpret_cast<const char*>(&record), sizeof record));
  settings::resetPreferences(fake::local);
  EXPECT_TRUE(cli::applySource(o, cli::SourceKind::defaults, error, sizeof error)) << error;
  EXPECT_STREQ(fake::local.prefs.boardPath, "B:\\tv_cont.lst");
}

}  // namespace

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/entry.h"
#include "cli/output.h"
#include "report/report.h"
#include "store/board.h"
#include "store/names.h"
#include "tests/support.h"

using namespace testsupport;

namespace {

// Literals in this file are CP932 (the build's execution charset); u8 literals stay UTF-8.
const std::string Kanji8 = u8"表";  // 2 bytes in CP932
const std::string KanjiCp = "表";

TEST(CliDialogText, TextsMustFitWhatTheDialogPassesInCp932) {
  struct Case {
    std::string utf8;
    size_t limit;
    cli::TextCheck result;
    std::string cp932;
  } cases[] = {
      {u8"会議", cli::MorningLimit, cli::TextCheck::ok, "会議"},
      {"", cli::StateLimit, cli::TextCheck::ok, ""},
      {std::string(118, 'a'), cli::MorningLimit, cli::TextCheck::ok, std::string(118, 'a')},
      {std::string(119, 'a'), cli::MorningLimit, cli::TextCheck::tooLong, ""},
      {repeat(Kanji8, 59), cli::AfternoonLimit, cli::TextCheck::ok, repeat(KanjiCp, 59)},
      {repeat(Kanji8, 60), cli::AfternoonLimit, cli::TextCheck::tooLong, ""},
      {repeat(Kanji8, 7), cli::StateLimit, cli::TextCheck::ok, repeat(KanjiCp, 7)},
      {repeat(Kanji8, 7) + "a", cli::StateLimit, cli::TextCheck::tooLong, ""},
      {std::string(62, '1'), cli::ReturnLimit, cli::TextCheck::ok, std::string(62, '1')},
      {std::string(63, '1'), cli::ReturnLimit, cli::TextCheck::tooLong, ""},
      {std::string(5000, 'a'), cli::MorningLimit, cli::TextCheck::tooLong, ""},
      {u8"\U0001F600", cli::StateLimit, cli::TextCheck::notCp932, ""},  // an emoji
      {u8"caf\u00e9", cli::StateLimit, cli::TextCheck::notCp932, ""},   // é has no CP932 form
      {"\xff\xfe", cli::StateLimit, cli::TextCheck::notCp932, ""},      // not UTF-8
      {u8"\uff71", cli::StateLimit, cli::TextCheck::ok, "\xb1"},        // half-width katakana: one byte
      {u8"\uffe2", cli::StateLimit, cli::TextCheck::ok, "\x81\xca"},
      // Typed on Linux, macOS or a phone: stored as Windows stores the same characters (〜 as ～).
      {u8"9時\u301c12時 \u2212\u2016\u00a2\u00a3\u00ac\u2014", cli::MorningLimit, cli::TextCheck::ok,
       "9時\x81\x60"
       "12時 \x81\x7c\x81\x61\x81\x91\x81\x92\x81\xca\x81\x5c"},
      // The private-use characters Windows gives 0xA0 and 0xFD-0xFF are stored the same on every build.
      {u8"\uf8f0\uf8f1\uf8f2\uf8f3", cli::StateLimit, cli::TextCheck::ok, "\xa0\xfd\xfe\xff"},
  };
  for (const Case& c : cases) {
    char out[cli::MorningLimit + 1];
    EXPECT_EQ(cli::dialogText(c.utf8.c_str(), c.limit, out, c.limit + 1), c.result) << c.utf8.size() << " bytes";
    EXPECT_EQ(std::string(out), c.cp932);
  }
  // A refusal names the character, or the byte that is no UTF-8.
  const std::pair<std::string, std::string> refusals[] = {
      {u8"a\U0001F600", u8"U+1F600 '\U0001F600'"}, {u8"caf\u00e9", u8"U+00E9 '\u00e9'"}, {"a\xff\xfe", "byte 0xff"}};
  for (const auto& r : refusals) {
    char out[cli::StateLimit + 1], named[48];
    size_t at = 0;
    ASSERT_EQ(cli::dialogText(r.first.c_str(), cli::StateLimit, out, sizeof out, &at), cli::TextCheck::notCp932);
    cli::nameCharacter(r.first.c_str(), at, named, sizeof named);
    EXPECT_EQ(std::string(named), r.second);
  }
}

TEST(CliDialogText, CurrentTextIsCutToTheLimitAtAWholeCharacter) {
  struct Case {
    std::string field;  // exactly the field's bytes, NUL or not
    size_t limit;
    std::string expected;
  } cases[] = {
      {std::string("abc\0zz", 6), 14, "abc"},
      {std::string(16, 'x'), 14, std::string(14, 'x')},                                 // no NUL: bounded by the limit
      {"a" + repeat(KanjiCp, 7) + std::string(1, '\0'), 14, "a" + repeat(KanjiCp, 6)},  // 表 at 13..14 would not fit
      {repeat(KanjiCp, 7) + std::string(2, '\0'), 14, repeat(KanjiCp, 7)},
  };
  for (const Case& c : cases) {
    char out[64];
    cli::currentText(c.field.data(), c.field.size(), c.limit, out, sizeof out);
    EXPECT_EQ(std::string(out), c.expected);
  }
}

using CliMembers = CoreTest;

TEST_F(CliMembers, AMemberIsFoundByTheExactDisplayName) {
  const std::string list = "山田(101);山田;山田(101);佐藤;";
  store::parseNameList(fake::share, reinterpret_cast<const unsigned char*>(list.data()), list.size());
  struct Case {
    std::string name;
    std::vector<int> slots;
  } cases[] = {
      {"山田", {1}}, {"山田(101)", {0, 2}}, {"佐藤", {3}}, {"佐", {}}, {"", {}},
  };
  for (const Case& c : cases) {
    int matches[store::MaxMembers];
    int n = cli::matchMembers(c.name.c_str(), matches, store::MaxMembers);
    EXPECT_EQ(std::vector<int>(matches, matches + n), c.slots) << c.name;
  }
}

void statusLine(FILE* f, const char* text, size_t) { cli::writeStatusLine(f, text); }
void utf8Text(FILE* f, const char* text, size_t len) { report::writeTerminalUtf8(f, text, len); }

TEST(CliOutput, StatusLinesAndPathsAreEscapedToo) {
  struct Case {
    void (*print)(FILE*, const char*, size_t);
    std::string in;
    std::string out;
  } cases[] = {
      // A holder name is whatever the lock file holds: a title escape, a bell, a carriage return.
      {statusLine, "(202)他のユーザ[\x1b]0;x\x07\rPC]がファイルを使用中 (1/20)",
       u8"(202)他のユーザ[\\x1b]0;x\\x07\\x0dPC]がファイルを使用中 (1/20)\n"},
      {statusLine, "サーバーアクセス中..", ""},  // progress, not a coded message
      {utf8Text, u8"/mnt/共有/\x1b[2J\u0085x", u8"/mnt/共有/\\x1b[2J\\xc2\\x85x"},
      {utf8Text, "a\xff\xe3\x81", "a\\xff\\xe3\\x81"},  // not UTF-8
  };
  for (const Case& c : cases) EXPECT_EQ(captured(c.print, c.in), c.out);
}

}  // namespace

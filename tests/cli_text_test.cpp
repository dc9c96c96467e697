#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "cli/entry.h"
#include "cli/output.h"
#include "store/board.h"
#include "store/names.h"
#include "tests/support.h"

using namespace testsupport;

namespace {

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

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
       "9時\x81\x60" "12時 \x81\x7c\x81\x61\x81\x91\x81\x92\x81\xca\x81\x5c"},
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

std::string captured(void (*print)(FILE*, const char*, size_t), const std::string& cp932) {
  FILE* f = std::tmpfile();
  print(f, cp932.data(), cp932.size());
  std::rewind(f);
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  std::fclose(f);
  return out;
}

TEST(CliOutput, ControlBytesNeverReachTheTerminalOrTheJsonRaw) {
  struct Case {
    std::string cp932;
    std::string terminal;
    std::string json;
  } cases[] = {
      {"a\x1b[2Jb", "a\\x1b[2Jb", "\"a\\u001b[2Jb\""},
      {"\x07"
       "bell\r",
       "\\x07bell\\x0d", "\"\\u0007bell\\u000d\""},
      {"a\x7f"
       "b",
       "a\\x7fb", "\"a\\u007fb\""},  // DEL is a control byte too
      {"q\"\\", "q\"\\", "\"q\\\"\\\\\""},
      {"外出・戻り", u8"外出・戻り", u8"\"外出・戻り\""},
      // 0x85 0x40 is an unassigned double-byte code; a lone lead byte at the end is no character.
      {"\x85\x40"
       "x\x88",
       u8"\ufffdx\ufffd", u8"\"\ufffdx\ufffd\""},
      // The second byte of ソ is 0x5C (a backslash in ASCII); it must not be escaped or split.
      {"ソ", u8"ソ", u8"\"ソ\""},
      // Read as on Windows on every build: 0xA0 and 0xFD-0xFF are U+F8F0-U+F8F3.
      {"a\xa0\xfd\xfe\xff", u8"a\uf8f0\uf8f1\uf8f2\uf8f3", u8"\"a\uf8f0\uf8f1\uf8f2\uf8f3\""},
      // 0x80 is the C1 control U+0080 (CSI's cousins act on some terminals); as a second byte it is ÷.
      {"a\x80\x81\x80", u8"a\\x80\u00f7", u8"\"a\\u0080\u00f7\""},
      // Long texts are converted whole, not cut where a buffer ends.
      {std::string(400, '\xb1') + "\x1b", repeat(u8"\uff71", 400) + "\\x1b",
       "\"" + repeat(u8"\uff71", 400) + "\\u001b\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(captured(cli::writeTerminalText, c.cp932), c.terminal);
    EXPECT_EQ(captured(cli::writeJsonString, c.cp932), c.json);
  }
}

void statusLine(FILE* f, const char* text, size_t) { cli::writeStatusLine(f, text); }
void utf8Text(FILE* f, const char* text, size_t len) { cli::writeTerminalUtf8(f, text, len); }

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

// Terminal columns of UTF-8 text: two for characters from U+1100 on (the CJK used here), one otherwise.
size_t columns(const std::string& utf8) {
  size_t w = 0;
  for (size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    w += len >= 3 ? 2 : 1;
    i += len;
  }
  return w;
}

using CliTable = CoreTest;

TEST_F(CliTable, ColumnsLineUpByDisplayWidthWithWideAndEscapedTexts) {
  const std::string list = "ab;山田 太郎;x\x1b;";
  store::parseNameList(fake::share, reinterpret_cast<const unsigned char*>(list.data()), list.size());
  store::setRow(fake::share, 0, "会議", "", "社内", "10:00", "26/12/07 09:00");
  store::setRow(fake::share, 1, "m", "研修", "帰宅", "", "26/12/07 09:01");
  store::setRow(fake::share, 2, "", "a\x07", "", "", "");
  FILE* f = std::tmpfile();
  cli::printTable(f, cli::RowSource{&fake::share.board, fake::share.memberCount, false, fake::share.displayNames});
  std::rewind(f);
  std::vector<std::string> lines;
  char buf[2048];
  while (std::fgets(buf, sizeof buf, f)) lines.push_back(buf);
  std::fclose(f);
  ASSERT_EQ(lines.size(), 4u);
  // Every row's afternoon and state cells start at the header's column.
  const std::string marks[][2] = {{u8"午後", u8"状態"}, {"  ", u8"社内"}, {u8"研修", u8"帰宅"}, {"a\\x07", ""}};
  size_t afternoonCol = columns(lines[0].substr(0, lines[0].find(marks[0][0])));
  size_t stateCol = columns(lines[0].substr(0, lines[0].find(marks[0][1])));
  EXPECT_EQ(columns(lines[2].substr(0, lines[2].find(marks[2][0]))), afternoonCol);
  EXPECT_EQ(columns(lines[3].substr(0, lines[3].find(marks[3][0]))), afternoonCol);
  EXPECT_EQ(columns(lines[1].substr(0, lines[1].find(marks[1][1]))), stateCol);
  EXPECT_EQ(columns(lines[2].substr(0, lines[2].find(marks[2][1]))), stateCol);
  EXPECT_NE(lines[3].find("x\\x1b"), std::string::npos);
}

}  // namespace

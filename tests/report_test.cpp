#include "report/report.h"

#include <cstdio>
#include <string>
#include <vector>

#include "store/board.h"
#include "store/names.h"
#include "tests/support.h"

using namespace testsupport;

namespace {

// Literals in this file are CP932 (the build's execution charset); u8 literals stay UTF-8.

TEST(ReportText, ControlBytesNeverReachTheTerminalOrTheJsonRaw) {
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
    EXPECT_EQ(captured(report::writeTerminalText, c.cp932), c.terminal);
    EXPECT_EQ(captured(report::writeJsonString, c.cp932), c.json);
  }
}

TEST(ReportText, HtmlNeverRendersABoardTextAsMarkupOrAControl) {
  const std::pair<std::string, std::string> cases[] = {
      {"<script>alert('x')</script>", "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;"},
      {"<img src=x onerror=\"a()\">&", "&lt;img src=x onerror=&quot;a()&quot;&gt;&amp;"},
      {"a\x1b[2Jb\r", "a\\x1b[2Jb\\x0d"},
      {"外出・戻り", u8"外出・戻り"},
      {"ソ<", u8"ソ&lt;"},  // ソ's second byte is 0x5C and is no escape
      // An unassigned double-byte code, the single bytes that are no character, a lone lead byte.
      {"\x85\x40"
       "a\xa0\xfd\x80"
       "b\x88",
       "\\x85\\x40a\\xa0\\xfd\\x80b\\x88"},
  };
  for (const auto& c : cases) EXPECT_EQ(captured(report::writeHtmlText, c.first), c.second) << c.second;
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

using ReportTable = CoreTest;

TEST_F(ReportTable, ColumnsLineUpByDisplayWidthWithWideAndEscapedTexts) {
  const std::string list = "ab;山田 太郎;x\x1b;";
  store::parseNameList(fake::share, reinterpret_cast<const unsigned char*>(list.data()), list.size());
  store::setRow(fake::share, 0, "会議", "", "社内", "10:00", "26/12/07 09:00");
  store::setRow(fake::share, 1, "m", "研修", "帰宅", "", "26/12/07 09:01");
  store::setRow(fake::share, 2, "", "a\x07", "", "", "");
  FILE* f = std::tmpfile();
  report::printTable(f, report::Rows{&fake::share.board, fake::share.displayNames, fake::share.memberCount, false, {}});
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

// The window's CSV is read by people: the list's headers, rows from 1, flags as はい or nothing.
TEST_F(ReportTable, CsvForPeopleHasTheListsHeadersRowNumbersAndYes) {
  const std::string list = "山田;佐藤;";
  store::parseNameList(fake::share, reinterpret_cast<const unsigned char*>(list.data()), list.size());
  store::setRow(fake::share, 0, "会議", "", "外出・戻り", "10:00", "26/12/07 09:00");
  store::setRow(fake::share, 1, "m", "", "帰宅", "", "26/12/06 09:01");
  report::Rows rows{&fake::share.board, fake::share.displayNames, fake::share.memberCount, false, {}};
  rows.now.tm_year = 126, rows.now.tm_mon = 11, rows.now.tm_mday = 7, rows.now.tm_hour = 15;
  FILE* f = std::tmpfile();
  report::printCsv(f, rows, false, report::CsvFor::people);
  std::rewind(f);
  std::string csv;
  char buf[2048];
  while (std::fgets(buf, sizeof buf, f)) csv += buf;
  std::fclose(f);
  EXPECT_EQ(csv,
            u8"\"番号\",\"氏名(電話)\",\"午前\",\"午後\",\"帰社予定\",\"状態\",\"書き込み時間\",\"帰社予定を過ぎた\","
            u8"\"前日までの予定\"\r\n"
            u8"1,\"山田\",\"会議\",\"\",\"10:00\",\"外出・戻り\",\"26/12/07 09:00\",はい,\r\n"
            u8"2,\"佐藤\",\"m\",\"\",\"\",\"帰宅\",\"26/12/06 09:01\",,はい\r\n");
}

// A cell a spreadsheet would take for a formula (or whose leading TAB or CR it would drop) starts with
// a quote; a cell that only contains such a byte later does not.
TEST_F(ReportTable, CsvCellsThatASpreadsheetWouldRunStartWithAQuote) {
  const struct {
    const char* text;
    const char* cell;
  } cases[] = {{"=1+2", "\"'=1+2\""}, {"+1", "\"'+1\""},   {"-1", "\"'-1\""},  {"@SUM(A1)", "\"'@SUM(A1)\""},
               {"\tx", "\"'\tx\""},   {"\rx", "\"'\rx\""}, {"a=1", "\"a=1\""}, {" =1", "\" =1\""}};
  for (const auto& c : cases) {
    store::setRow(fake::share, 0, c.text, "", "", "", "");
    fake::share.memberCount = 1;
    FILE* f = std::tmpfile();
    report::printCsv(f, report::Rows{&fake::share.board, fake::share.displayNames, 1, false, {}}, false,
                     report::CsvFor::people);
    std::rewind(f);
    std::string csv;
    char buf[2048];
    while (std::fgets(buf, sizeof buf, f)) csv += buf;
    std::fclose(f);
    EXPECT_NE(csv.find("," + std::string(c.cell) + ","), std::string::npos) << c.cell << " in " << csv;
  }
}

}  // namespace

#include <string>
#include <tuple>
#include <vector>

#include "cli/commands.h"
#include "cli/name_findings.h"
#include "cli/new_name_list.h"
#include "tests/cli_support.h"
#include "tests/support.h"

using namespace testsupport;

namespace {

using K = cli::FindingKind;
// kind, slot, other (the earlier slot of a duplicate, the first code), size
using F = std::tuple<K, int, int, size_t>;

std::vector<F> check(const std::string& bytes, size_t fileSize, int& members) {
  static cli::NameReport report;
  cli::checkNameList(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), fileSize, report);
  members = report.members;
  std::vector<F> out;
  for (int i = 0; i < report.count; ++i) {
    const cli::Finding& f = report.findings[i];
    out.push_back({f.kind, f.slot, f.other, f.size});
  }
  return out;
}

std::string names(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "n" + std::to_string(i) + ";\r\n";
  return s;
}

// One name per line, as init-share takes them.
std::string lines(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "m" + std::to_string(i) + "\n";
  return s;
}

using CliCheckNames = CoreTest;

// Literals here are CP932 (the build's execution charset); u8 literals are UTF-8, as an editor saves them.
TEST_F(CliCheckNames, EveryCutDropOddityAndWrongEncodingIsReported) {
  std::string kanji8;  // 8 kanji: 16 columns
  for (int i = 0; i < 8; ++i) kanji8 += "表";
  const std::string bom = "\xEF\xBB\xBF", halfOfSa = std::string(u8"佐").substr(0, 2);
  struct Case {
    std::string what;
    std::string bytes;
    size_t fileSize;  // 0: the bytes' own size
    int members;
    std::vector<F> findings;
  } cases[] = {
      {"clean", "山田(101);\r\n佐藤;\r\n", 0, 2, {}},
      {"rare kanji", "\xe0\x40\x98\x9f;", 0, 1, {}},
      {"half-width kana and a user-defined character", "\xb1\xb2(1);\xf0\x40;", 0, 2, {}},
      {"trailing text", "A;B;C", 0, 2, {{K::trailingText, -1, -1, 1}}},
      {"trailing line ends only", "A;\r\n\t", 0, 1, {}},
      {"lead byte last", "A;\x88", 0, 1, {{K::trailingText, -1, -1, 1}}},
      {"empty names", ";;A;", 0, 3, {{K::empty, 0, -1, 0}, {K::empty, 1, -1, 0}}},
      {"duplicate", "A;B;A;A;", 0, 4, {{K::duplicate, 2, 0, 0}, {K::duplicate, 3, 0, 0}}},
      {"duplicate next to it", "A;B;B;", 0, 3, {{K::duplicate, 2, 1, 0}}},
      {"cut", std::string(70, 'a') + ";", 0, 1, {{K::cut, 0, -1, 70}, {K::tooWide, 0, -1, 63}}},
      {"63 bytes: kept whole", std::string(63, 'a') + ";", 0, 1, {{K::tooWide, 0, -1, 63}}},
      {"wide", kanji8 + ";" + std::string(15, 'w') + ";", 0, 2, {{K::tooWide, 0, -1, 16}}},
      {"NUL inside", std::string("A\0BC;D\0;", 8), 0, 2, {{K::afterNul, 0, -1, 2}}},
      {"control bytes", "A;x\x1b[2J\x07;y\x7f;", 0, 3, {{K::controlByte, 1, 0x1b, 2}, {K::controlByte, 2, 0x7f, 1}}},
      {"unassigned",
       "\x85\x40\x85\x41;a\xa0\xfd;\x80;",
       0,
       3,
       {{K::undefinedCode, 0, 0x8540, 2}, {K::undefinedCode, 1, 0xa0, 2}, {K::undefinedCode, 2, 0x80, 1}}},
      {"nothing", "", 0, 0, {{K::noNames, -1, -1, 0}}},
      {"past the window", "A;B;", 40000, 2, {{K::pastWindow, -1, -1, 40000 - 32768}}},
      {"past 300", names(303), 0, 300, {{K::pastLimit, -1, -1, 3}}},
      {"exactly 300", names(300), 0, 300, {}},
      // The garbled names of a UTF-8 list are the encoding's doing: one finding, not one per name.
      {"UTF-8", u8"山田 太郎(101);\r\n佐藤 花子(102);\r\n", 0, 2, {{K::utf8, -1, -1, 0}}},
      {"UTF-8 that is valid CP932 too", u8"佐藤;", 0, 1, {{K::utf8, -1, -1, 0}}},
      {"UTF-8, accents only", u8"José;Zoë;", 0, 2, {{K::utf8, -1, -1, 0}}},
      {"UTF-8 with a BOM", u8"\ufeff鈴木;", 0, 1, {{K::byteOrderMark, -1, -1, 0}, {K::utf8, -1, -1, 0}}},
      {"ASCII with a BOM", bom + "A;B;", 0, 2, {{K::byteOrderMark, -1, -1, 0}}},
      {"UTF-16", std::string("\xFF\xFE\x41\0;\0", 6), 0, 1, {{K::utf16, -1, -1, 0}, {K::trailingText, -1, -1, 1}}},
      {"UTF-16 without a BOM",
       std::string("A\0;\0\r\0\n\0", 8),
       0,
       1,
       {{K::utf16, -1, -1, 0}, {K::trailingText, -1, -1, 3}}},
      {"UTF-8 cut by the window", u8"佐藤;" + halfOfSa, 0, 1, {{K::utf8, -1, -1, 0}, {K::trailingText, -1, -1, 2}}},
  };
  for (const Case& c : cases) {
    int members = -1;
    EXPECT_EQ(check(c.bytes, c.fileSize ? c.fileSize : c.bytes.size(), members), c.findings) << c.what;
    EXPECT_EQ(members, c.members) << c.what;
  }
}

TEST_F(CliCheckNames, ANameCutByTheWindowIsReportedAsDroppedText) {
  std::string bytes = std::string(32760, 'x') + ";" + "abcdefghij;";  // 32,772 bytes
  int members = -1;
  auto findings = check(bytes.substr(0, 32768), bytes.size(), members);
  EXPECT_EQ(members, 1);
  ASSERT_EQ(findings.size(), 4u);
  EXPECT_EQ(findings[0], F(K::cut, 0, -1, 32760));
  EXPECT_EQ(findings[2], F(K::trailingText, -1, -1, 7));
  EXPECT_EQ(findings[3], F(K::pastWindow, -1, -1, 4));
}

// What check-names reports, init-share refuses, and the other way round.
// With --board, a board name whose character ends in the byte 0x5C is said; another is not.
TEST_F(CliCheckNames, ABoardNameThatMovesTheOlderPcsLockIsSaid) {
  writeFile(dir.file("list.lst"), "A;B;");
  const struct {
    std::string board;
    bool said;
  } cases[] = {{u8"行動予定表.lst", true}, {u8"能力.lst", true}, {"tv_cont.lst", false}, {u8"行き先.lst", false}};
  for (const auto& c : cases) {
    const auto r =
        clisupport::run(cli::runCheckNames, {"check-names", dir.file("list.lst"), "--board", dir.file(c.board)});
    EXPECT_EQ(r.exit, 0) << c.board << "\n" << r.err;
    EXPECT_EQ(r.err.find("warning: older PCs lock") != std::string::npos, c.said) << c.board << "\n" << r.err;
  }
}

TEST_F(CliCheckNames, InitShareRefusesWhatCheckNamesReports) {
  struct Case {
    std::string what;
    std::string utf8;
    bool refused;
  } cases[] = {
      {"clean", u8"山田 太郎(101)\n佐藤\n", false},
      {"wide names are advice", u8"長谷川 加奈子(1234)\n", false},
      {"duplicates", u8"山田\n佐藤\n山田\n", true},
      {"control byte", "A\x1b[1mB\n", true},
      {"U+0080", u8"A\u0080B\n", true},
      {"no names", "\n \n", true},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string share = dir.file("share" + std::to_string(n++));
    std::filesystem::create_directory(share);
    writeFile(dir.file("names.txt"), c.utf8);
    const auto init = clisupport::run(cli::runInitShare, {"init-share", share, "--names", dir.file("names.txt")});
    EXPECT_EQ(init.exit, c.refused ? 2 : 0) << c.what << "\n" << init.err;
    EXPECT_EQ(exists(share + "/tv_name.lst"), !c.refused) << c.what;
    EXPECT_EQ(exists(share + "/tv_cont.lst"), !c.refused) << c.what;
    // The same names as a list of the program's format, given to check-names.
    char list[32768];
    const cli::NamesResult built = cli::buildNameList(c.utf8.data(), c.utf8.size(), list, sizeof list);
    ASSERT_EQ(built.error, cli::NamesError::none) << c.what;
    writeFile(dir.file("list.lst"), std::string(list, built.size));
    EXPECT_EQ(clisupport::run(cli::runCheckNames, {"check-names", dir.file("list.lst")}).exit, c.refused ? 1 : 0)
        << c.what;
  }
}

TEST(CliInitShareNames, OneNamePerLineBecomesTheProgramsFormat) {
  struct Case {
    std::string utf8;
    size_t outSize;
    cli::NamesError error;
    int line;
    std::string list;
  } cases[] = {
      {u8"山田 太郎(101)\n佐藤\n", 32768, cli::NamesError::none, 0, "山田 太郎(101);\r\n佐藤;\r\n"},
      {u8"\ufeffA\r\n\r\n  B  \r\nC", 32768, cli::NamesError::none, 0, "A;\r\nB;\r\nC;\r\n"},
      {"\n \n", 32768, cli::NamesError::none, 0, ""},
      {"A\nB;C\n", 32768, cli::NamesError::separator, 2, ""},
      {"A\tB\n", 32768, cli::NamesError::separator, 1, ""},
      {"A\rB\n", 32768, cli::NamesError::separator, 1, ""},
      {std::string("A\0B\n", 4), 32768, cli::NamesError::separator, 1, ""},
      {u8"A\n\U0001F600\n", 32768, cli::NamesError::notCp932, 2, ""},
      {"A\n\x93\x8c\n", 32768, cli::NamesError::notUtf8, 2, ""},  // a list already in Shift-JIS
      {std::string("\xff\xfe\x41\0\n\0", 6), 32768, cli::NamesError::utf16, 0, ""},
      {std::string("A\0\r\0\n\0", 6), 32768, cli::NamesError::utf16, 0, ""},
      {std::string(64, 'a'), 32768, cli::NamesError::none, 0, std::string(64, 'a') + ";\r\n"},  // check-names' cut
      {std::string(1024, 'a'), 32768, cli::NamesError::tooLong, 1, ""},
      // m0..m9 take 5 bytes each, m10.. 6: m17 ends at byte 98, m18 would end at 104.
      {lines(30), 100, cli::NamesError::tooBig, 19, ""},
  };
  for (const Case& c : cases) {
    char out[32768];
    cli::NamesResult r = cli::buildNameList(c.utf8.data(), c.utf8.size(), out, c.outSize);
    EXPECT_EQ(r.error, c.error) << c.utf8;
    EXPECT_EQ(r.line, c.line) << c.utf8;
    if (c.error == cli::NamesError::none) {
      EXPECT_EQ(std::string(out, r.size), c.list);
    }
  }
}

}  // namespace

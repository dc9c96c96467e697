#include <string>
#include <tuple>
#include <vector>

#include "cli/name_check.h"
#include "cli/share_names.h"
#include "tests/support.h"

using namespace testsupport;

namespace {

using K = cli::FindingKind;
// kind, slot, size (other for duplicates)
using F = std::tuple<K, int, size_t>;

std::vector<F> check(const std::string& bytes, size_t fileSize, int& members) {
  static cli::NameReport report;
  cli::checkNameList(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), fileSize, report);
  members = report.members;
  std::vector<F> out;
  for (int i = 0; i < report.count; ++i) {
    const cli::Finding& f = report.findings[i];
    out.push_back({f.kind, f.slot, f.kind == K::duplicate ? static_cast<size_t>(f.other) : f.size});
  }
  return out;
}

std::string names(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "n" + std::to_string(i) + ";\r\n";
  return s;
}

using CliCheckNames = CoreTest;

TEST_F(CliCheckNames, EveryCutDropAndOddityIsReported) {
  std::string kanji8;  // 8 kanji: 16 columns
  for (int i = 0; i < 8; ++i) kanji8 += "表";
  struct Case {
    std::string what;
    std::string bytes;
    size_t fileSize;  // 0: the bytes' own size
    int members;
    std::vector<F> findings;
  } cases[] = {
      {"clean", "山田(101);\r\n佐藤;\r\n", 0, 2, {}},
      {"trailing text", "A;B;C", 0, 2, {{K::trailingText, -1, 1}}},
      {"trailing line ends only", "A;\r\n\t", 0, 1, {}},
      {"lead byte last", "A;\x88", 0, 1, {{K::trailingText, -1, 1}}},
      {"empty names", ";;A;", 0, 3, {{K::empty, 0, 0}, {K::empty, 1, 0}}},
      {"duplicate", "A;B;A;A;", 0, 4, {{K::duplicate, 2, 0}, {K::duplicate, 3, 0}}},
      {"cut", std::string(70, 'a') + ";", 0, 1, {{K::cut, 0, 70}, {K::tooWide, 0, 63}}},
      {"63 bytes: kept whole", std::string(63, 'a') + ";", 0, 1, {{K::tooWide, 0, 63}}},
      {"wide", kanji8 + ";" + std::string(15, 'w') + ";", 0, 2, {{K::tooWide, 0, 16}}},
      {"NUL inside", std::string("A\0BC;D\0;", 8), 0, 2, {{K::afterNul, 0, 2}}},
      {"past the window", "A;B;", 40000, 2, {{K::pastWindow, -1, 40000 - 32768}}},
      {"past 300", names(303), 0, 300, {{K::pastLimit, -1, 3}}},
      {"exactly 300", names(300), 0, 300, {}},
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
  EXPECT_EQ(findings[0], F(K::cut, 0, 32760));
  EXPECT_EQ(findings[2], F(K::trailingText, -1, 7));
  EXPECT_EQ(findings[3], F(K::pastWindow, -1, 4));
}

TEST(CliInitShareNames, OneNamePerLineBecomesTheProgramsFormat) {
  struct Case {
    std::string utf8;
    cli::NamesError error;
    int line;
    std::string list;
  } cases[] = {
      {u8"山田 太郎(101)\n佐藤\n", cli::NamesError::none, 0, "山田 太郎(101);\r\n佐藤;\r\n"},
      {u8"\ufeffA\r\n\r\n  B  \r\nC", cli::NamesError::none, 0, "A;\r\nB;\r\nC;\r\n"},
      {"", cli::NamesError::noNames, 0, ""},
      {"\n \n", cli::NamesError::noNames, 0, ""},
      {"A\nB;C\n", cli::NamesError::badByte, 2, ""},
      {"A\tB\n", cli::NamesError::badByte, 1, ""},
      {u8"A\n\U0001F600\n", cli::NamesError::notCp932, 2, ""},
      {std::string(63, 'a'), cli::NamesError::none, 0, std::string(63, 'a') + ";\r\n"},
      {std::string(64, 'a'), cli::NamesError::tooLong, 1, ""},
  };
  for (const Case& c : cases) {
    char out[32768];
    cli::NamesResult r = cli::buildNameList(c.utf8.data(), c.utf8.size(), out, sizeof out);
    EXPECT_EQ(r.error, c.error) << c.utf8;
    EXPECT_EQ(r.line, c.line) << c.utf8;
    if (c.error == cli::NamesError::none) {
      EXPECT_EQ(std::string(out, r.size), c.list);
    }
  }
}

TEST(CliInitShareNames, MoreThan300NamesOrMoreThanTheBufferHoldsAreRefused) {
  std::string many;
  for (int i = 0; i < 301; ++i) many += "m" + std::to_string(i) + "\n";
  char out[32768];
  struct Case {
    size_t outSize;
    size_t inputSize;
    cli::NamesError error;
    int line;
  } cases[] = {
      {sizeof out, many.size(), cli::NamesError::tooMany, 301},
      // m0..m9 take 5 bytes each, m10.. 6: m17 ends at byte 98, m18 would end at 104.
      {100, many.size(), cli::NamesError::tooBig, 19},
      {sizeof out, many.find("m300"), cli::NamesError::none, 0},
  };
  for (const Case& c : cases) {
    cli::NamesResult r = cli::buildNameList(many.data(), c.inputSize, out, c.outSize);
    EXPECT_EQ(r.error, c.error) << c.outSize;
    EXPECT_EQ(r.line, c.line) << c.outSize;
  }
}

}  // namespace

#include "text/fold.h"

#include <cstring>
#include <string>

#include "tests/support.h"

namespace {

std::string folded(std::string s) {
  std::string buffer = s;
  buffer.push_back('\0');
  text::foldFullWidth(&buffer[0]);
  return std::string(buffer.c_str());
}

TEST(Folding, FullWidthCharactersWithAnAsciiCounterpartFold) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"１７：００", "17:00"},
      {"１７：３０", "17:30"},
      {"17時", "17時"},
      {"（外出）", "(外出)"},
      {"ＡＺａｚ０９", "AZaz09"},
      {"　、，。．；？！＾￣＿／｜’”「」［］｛｝＋－＝＜＞￥＄％＃＆＊＠", " ,,..;?!^~_/|'\"\"\"[]{}+-=<>\\$%#&*@"},
      {"‘“", "‘“"},                      // left quotation marks have no counterpart
      {"\xB1\xB2\xB3", "\xB1\xB2\xB3"},  // half-width katakana are single bytes
      {"ソ表", "ソ表"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(folded(c.in), c.out) << c.in;
}

TEST(Folding, SpacesAtBothEndsAreTrimmed) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {{" 12:30", "12:30"}, {"12:30 \t", "12:30"}, {"  ", ""}, {"", ""}, {"4時 30分", "4時 30分"}};
  for (const auto& c : cases) {
    char text[32];
    std::strcpy(text, c.in);
    text::trimSpaces(text);
    EXPECT_STREQ(text, c.out) << c.in;
  }
}

TEST(Folding, LeadByteInTheLastPlaceEndsTheText) { EXPECT_EQ(folded("１\x82"), std::string("1\x82")); }

TEST(Folding, TextsLongerThan255BytesAreLeftUnchanged) {
  std::string longText;
  for (int i = 0; i < 150; ++i) longText += "１";  // 300 bytes
  EXPECT_EQ(folded(longText), longText);
  std::string fits;
  for (int i = 0; i < 127; ++i) fits += "１";  // 254 bytes
  fits += "x";
  EXPECT_EQ(folded(fits), std::string(127, '1') + "x");
}

TEST(Folding, EveryTableBoundary) {
  EXPECT_EQ(text::foldChar(0x82, 0x4E), 0);
  EXPECT_EQ(text::foldChar(0x82, 0x4F), '0');
  EXPECT_EQ(text::foldChar(0x82, 0x58), '9');
  EXPECT_EQ(text::foldChar(0x82, 0x59), 0);
  EXPECT_EQ(text::foldChar(0x82, 0x5F), 0);
  EXPECT_EQ(text::foldChar(0x82, 0x60), 'A');
  EXPECT_EQ(text::foldChar(0x82, 0x79), 'Z');
  EXPECT_EQ(text::foldChar(0x82, 0x80), 0);
  EXPECT_EQ(text::foldChar(0x82, 0x81), 'a');
  EXPECT_EQ(text::foldChar(0x82, 0x9A), 'z');
  EXPECT_EQ(text::foldChar(0x82, 0x9B), 0);
  EXPECT_EQ(text::foldChar(0x81, 0x65), 0);
  EXPECT_EQ(text::foldChar(0x81, 0x67), 0);
}

}  // namespace

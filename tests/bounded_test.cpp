// Texts cut to whole double-byte characters, and paths joined with one separator.
#include "text/bounded.h"

#include <string>

#include "platform/system.h"
#include "tests/support.h"

namespace {

TEST(Bounded, TextsAreCutOnlyBetweenWholeCharacters) {
  const struct {
    std::string text;
    size_t limit;
    size_t kept;
  } cases[] = {
      {"abc", 2, 2},
      {"a表", 2, 1},  // 表 is 0x95 0x5C: its first byte alone would be garbage
      {"a表", 3, 3},
      {"表ソ", 3, 2},
      {"ab", 10, 2},
      {std::string(61, 'x') + "亜", 63, 63},  // 63 bytes whose last character is double-byte
      {std::string(62, 'x') + "亜", 63, 62},
  };
  for (const auto& c : cases)
    EXPECT_EQ(text::wholeCharacterLength(c.text.c_str(), c.limit), c.kept) << c.text << " " << c.limit;
}

TEST(Bounded, PathsGetOneSeparatorAndNeverOverflow) {
  const std::string s(1, platform::separator());
  char out[16];
  EXPECT_TRUE(text::joinPath(out, sizeof out, "dir", 3, "f"));
  EXPECT_EQ(std::string(out), "dir" + s + "f");
  EXPECT_TRUE(text::joinPath(out, sizeof out, ("dir" + s).c_str(), 4, "f"));
  EXPECT_EQ(std::string(out), "dir" + s + "f");
#ifdef _WIN32
  // A folder ending in 表 (second byte 0x5C) still needs its separator.
  EXPECT_TRUE(text::joinPath(out, sizeof out, "d表", 3, "f"));
  EXPECT_EQ(std::string(out), "d表\\f");
#endif
  EXPECT_FALSE(text::joinPath(out, sizeof out, "0123456789abcd", 14, "f"));
  EXPECT_EQ(std::string(out), "");
  EXPECT_FALSE(text::joinPath(out, sizeof out, "", 0, "f"));
}

}  // namespace

#include "text/wrap.h"

#include <string>
#include <vector>

#include "tests/support.h"

namespace {

// Two columns for a double-byte character, one for a single byte: as a fixed-pitch font draws them.
int columns(const char* text, size_t length, void*) {
  int width = 0;
  for (size_t i = 0; i < length; ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    width += lead ? 2 : 1;
    if (lead) ++i;
  }
  return width;
}

std::string wrapped(const char* in, int width) {
  char out[1024];
  EXPECT_TRUE(text::wrapLines(in, width, columns, nullptr, out, sizeof out));
  return out;
}

std::vector<std::string> linesOf(const std::string& s) {
  std::vector<std::string> lines;
  size_t from = 0;
  for (size_t at; (at = s.find('\n', from)) != std::string::npos; from = at + 1)
    lines.push_back(s.substr(from, at - from));
  lines.push_back(s.substr(from));
  return lines;
}

TEST(Wrapping, WordsAndEndingsAreNeverSplitAtAnyWidth) {
  const struct {
    const char* text;
    std::vector<const char*> badSplits;
  } cases[] = {
      {"そのPCが止まっているかわからないときは、管理者に相談してください。", {"くださ\nい", "ください\n。", "P\nC"}},
      {"読み書きを待っています。キャンセルで待つのをやめます",
       {"キャン\nセル", "キャ\nンセル", "キャンセ\nル", "待\nって"}},
      {"自分の名前が選ばれていません。環境設定で選んでください。", {"していませ\nん", "いませ\nん", "ません\n。"}},
      {"名前リストに自分の名前がないため、何もしていません。", {"していませ\nん", "リス\nト", "ません\n。"}},
      {"名前は１人63バイト（全角31文字）までです。", {"までで\nす。", "までです\n。", "6\n3", "バイ\nト", "文字\n）"}},
      {"ほかのPCがボードを使用中です。ほかのPC「事務所-01」が使っています。", {"ボー\nド", "ボード\nを", "「\n事務所"}},
  };
  for (const auto& c : cases) {
    for (int width = 24; width <= 60; width += 4) {
      const std::string out = wrapped(c.text, width);
      for (const char* bad : c.badSplits) EXPECT_EQ(out.find(bad), std::string::npos) << width << ": " << out;
      for (const std::string& line : linesOf(out))
        EXPECT_LE(columns(line.c_str(), line.size(), nullptr), width) << width << ": " << out;
    }
  }
}

TEST(Wrapping, LinesEndAtPhrasesAndKeepTheTextWhole) {
  const struct {
    const char* in;
    int width;
    const char* out;
  } cases[] = {
      {"名前リストを開けません。環境設定をお確かめください。", 30,
       "名前リストを開けません。\n環境設定をお確かめください。"},
      {"名前リストを開けません。", 20, "名前リストを\n開けません。"},
      {"環境設定をお確かめください。", 20, "環境設定を\nお確かめください。"},
      {"Ctrl+1 to 4 change my state", 12, "Ctrl+1 to 4\nchange my\nstate"},
      {"短い行\n次の行", 40, "短い行\n次の行"},
      {"", 10, ""},
      // A word wider than the line still ends somewhere.
      {"アイウエオカキクケコ", 8, "アイウエ\nオカキク\nケコ"},
  };
  for (const auto& c : cases) EXPECT_EQ(wrapped(c.in, c.width), c.out) << c.in;
}

TEST(Wrapping, AShortBufferHoldsWholeCharacters) {
  char out[8];
  EXPECT_FALSE(text::wrapLines("あいうえおかきくけこ", 4, columns, nullptr, out, sizeof out));
  EXPECT_EQ(std::string(out), "あい\n");
}

}  // namespace

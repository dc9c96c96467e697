// The portable parts of the window: lengths between 96 DPI and the screen, the column order as
// tavelin.ini keeps it, and the lock reset's question.
#include <gtest/gtest.h>

#include <string>

#include "ui/board_age.h"
#include "ui/column_order.h"
#include "ui/dpi_units.h"
#include "ui/lock_question.h"
#include "ui/too_long.h"

namespace {

// A record that passes through a screen of any DPI from 96 up keeps its numbers; cutting instead of
// rounding loses a pixel at 120 DPI (1 -> 1 -> 0).
TEST(DpiUnits, LengthsComeBackAsTheyWent) {
  for (int dpi : {96, 120, 144, 168, 192, 240, 288})
    for (int length = 0; length <= 3000; ++length)
      ASSERT_EQ(ui::unscaled(ui::scaled(length, dpi), dpi), length) << length << " at " << dpi;
  EXPECT_EQ(ui::scaled(70, 144), 105);
  EXPECT_EQ(ui::scaled(15, 144), 23);  // 22.5 rounds up: no picture loses its last row
  EXPECT_EQ(ui::unscaled(1038, 144), 692);
}

// Two intervals with no good read, by the timer's ticks or by the clock (a PC that slept through its
// ticks); never without an automatic refresh.
TEST(BoardAge, OldAfterTwoRefreshIntervalsWithoutAGoodRead) {
  EXPECT_FALSE(ui::boardLooksOld({0, 1}, 3));
  EXPECT_TRUE(ui::boardLooksOld({0, 2}, 3));
  EXPECT_FALSE(ui::boardLooksOld({2 * 183000, 0}, 3));
  EXPECT_TRUE(ui::boardLooksOld({2 * 183000 + 1, 0}, 3));
  EXPECT_FALSE(ui::boardLooksOld({3600000, 0}, 60));
  EXPECT_FALSE(ui::boardLooksOld({100000000, 9}, 0));
}

TEST(ColumnOrder, OnlyAnOrderOfAllTheColumnsIsTaken) {
  static_assert(ui::OrderColumns == 7, "the cases below name seven columns");
  const struct {
    const char* text;
    bool taken;
    int order[ui::OrderColumns];
  } cases[] = {
      {"0,3,1,2,5,4,6", true, {0, 3, 1, 2, 5, 4, 6}},
      {" 6,5, 4 ,3,2,1,0", true, {6, 5, 4, 3, 2, 1, 0}},
      {"0,0,1,2,3,4,5", false, {}},
      {"0,1,2,3,4,5", false, {}},  // one short: an order kept before the last column came
      {"0,1,2,3,4,5,6,", false, {}},
      {"0,1,2,3,4,5,7", false, {}},
      {"0,1,2,3,4,5,6 x", false, {}},
      {"", false, {}},
      {"a,b,c,d,e,f,g", false, {}},
  };
  for (const auto& c : cases) {
    int order[ui::OrderColumns] = {9, 9, 9, 9, 9, 9, 9};
    EXPECT_EQ(ui::parseColumnOrder(c.text, order), c.taken) << c.text;
    for (int i = 0; i < ui::OrderColumns; ++i)
      EXPECT_EQ(order[i], c.taken ? c.order[i] : 9) << c.text << " column " << i;
  }
  const int order[ui::OrderColumns] = {2, 0, 1, 6, 5, 3, 4};
  char text[32];
  ui::formatColumnOrder(order, text, sizeof text);
  int back[ui::OrderColumns] = {};
  ASSERT_TRUE(ui::parseColumnOrder(text, back)) << text;
  for (int i = 0; i < ui::OrderColumns; ++i) EXPECT_EQ(back[i], order[i]);
}

std::string question(const char* holder, size_t length, bool aged, long long seconds) {
  char out[1536];
  ui::formatResetQuestion({true, holder, length, aged, seconds}, out, sizeof out);
  return out;
}

const std::string Ask = "排他制御ファイルをリセットしてよろしいですか？\n\n使用中のPC：";

TEST(ResetQuestion, NamesTheHolderAndTheLocksAge) {
  const struct {
    long long seconds;
    const char* age;
  } ages[] = {{45, "45秒"},
              {125, "2分"},
              {7530, "2時間5分"},
              {90000, "1日1時間"},
              {-30, "不明（このPCとファイルサーバーの時計が合っていません）"}};
  for (const auto& a : ages)
    EXPECT_EQ(question("PC01", 4, true, a.seconds), Ask + "PC01\n使用開始から：" + a.age) << a.seconds;
  EXPECT_EQ(question("PC01", 4, false, 0), Ask + "PC01\n使用開始から：不明");
  char plain[256];
  ui::formatResetQuestion({false, "", 0, false, 0}, plain, sizeof plain);
  EXPECT_STREQ(plain, "排他制御ファイルをリセットしてよろしいですか？");
}

// The holder's bytes come from a file anyone on the share can write: control bytes are shown as
// \xNN; a double-byte character passes whole even when its second byte is 0x5C or below 0x80.
TEST(ResetQuestion, ShowsControlBytesEscaped) {
  const struct {
    std::string bytes;
    const char* shown;
  } holders[] = {
      {"A\x01"
       "B\x7f\r\n",
       "A\\x01B\\x7f\\x0d\\x0a"},
      {"表示PC", "表示PC"},
      {"AB\x95", "AB\\x95"},
      {"", "（名前なし）"},
      {std::string("PC\0junk", 7), "PC"},
  };
  for (const auto& h : holders)
    EXPECT_EQ(question(h.bytes.data(), h.bytes.size(), true, 45), Ask + h.shown + "\n使用開始から：45秒") << h.shown;
  const std::string longest(255, '\x01');
  const std::string shown = question(longest.data(), longest.size(), true, 45);
  EXPECT_NE(shown.find("\\x01\n使用開始から"), std::string::npos) << "255 escaped bytes fit whole";
}

}  // namespace

namespace {

// Characters as a person counts them: an odd byte over is one more 全角 character to remove.
TEST(TooLong, CountsCharactersNotBytes) {
  const struct {
    size_t length, limit;
    const char* said;
  } cases[] = {
      {120, 118, "午前が長すぎます。あと全角1文字（半角なら2文字）減らしてください（全角59文字、半角118文字まで）。"},
      {121, 118, "午前が長すぎます。あと全角2文字（半角なら3文字）減らしてください（全角59文字、半角118文字まで）。"},
      {15, 14, "午前が長すぎます。あと全角1文字（半角なら1文字）減らしてください（全角7文字、半角14文字まで）。"},
  };
  for (const auto& c : cases) {
    char out[256];
    ui::formatTooLong("午前", c.length, c.limit, out, sizeof out);
    EXPECT_STREQ(out, c.said) << c.length;
  }
}

}  // namespace

// The row's words every front end shares: the states read from a row, column 0's text, and the typed
// texts made into the row the entry dialog's OK would write.
#include "store/row_words.h"

#include <cstring>
#include <string>

#include "store/typed_row.h"
#include "tests/support.h"

namespace {

using testsupport::CoreTest;

store::BoardImage& scratchImage() {
  static store::BoardImage image;
  std::memset(&image, 0, sizeof image);
  return image;
}

TEST(RowWords, AStateIsOneOfTheFourOnlyWhenItReadsExactlySo) {
  const struct {
    std::string field;  // the state field's bytes, up to its 16
    store::State state;
  } cases[] = {
      {"社内", store::State::office},
      {"帰宅", store::State::home},
      {"外出・戻り", store::State::outReturning},
      {"外出・直帰", store::State::outGoingHome},
      {"", store::State::none},
      {"外出", store::State::none},                // a state's start
      {"帰宅 ", store::State::none},               // typed with a space
      {"外出・戻り外出", store::State::none},      // 14 bytes that start with one
      {std::string(16, 'x'), store::State::none},  // no NUL within the field
  };
  for (const auto& c : cases) {
    store::BoardImage& image = scratchImage();
    std::memcpy(image.entries[7].state, c.field.data(), c.field.size());
    EXPECT_EQ(store::stateOfRow(image, 7), c.state) << c.field;
  }
  EXPECT_STREQ(store::stateText(store::State::none), "");
  for (int i = 0; i < store::StateCount; ++i)
    EXPECT_EQ(store::stateOf(store::stateText(static_cast<store::State>(i))), static_cast<store::State>(i));
}

TEST(RowWords, ColumnZeroIsThisPcsNameAndTheImagesOwnOnlyWithoutNames) {
  store::BoardImage& image = scratchImage();
  std::strcpy(image.boardNames[3], "old list");
  std::strcpy(image.entries[3].morning, "会議");
  static char names[store::MaxMembers][store::NameSize];
  std::memset(names, 'n', sizeof names);  // a name that fills its field, no NUL
  char out[store::WrittenSize + 1];
  EXPECT_EQ(store::cellText(image, names, 3, store::Field::name, out, sizeof out), store::NameSize);
  EXPECT_EQ(std::string(out), std::string(store::NameSize, 'n'));
  store::cellText(image, nullptr, 3, store::Field::name, out, sizeof out);
  EXPECT_STREQ(out, "old list");
  store::cellText(image, names, 3, store::Field::morning, out, sizeof out);
  EXPECT_STREQ(out, "会議");
  EXPECT_EQ(store::cellText(image, names, store::MaxMembers, store::Field::name, out, sizeof out), 0u);
}

TEST(TypedRow, ARefusedTextIsNamedWithWhy) {
  const struct {
    const char* given[store::TypedCount];
    const char* reason;
  } cases[] = {
      {{"a", nullptr, nullptr, "sssssssssssssss"}, "state is longer than 14 bytes in CP932"},
      {{u8"雪\u2603", nullptr, nullptr, nullptr}, "morning has U+2603 '\xE2\x98\x83', which CP932 cannot hold"},
      {{nullptr, "\xff", nullptr, nullptr}, "afternoon is not UTF-8 (byte 0xff)"},
      {{nullptr, nullptr, "1\x1b[2J", nullptr}, "returnTime holds a control character, which every PC would show raw"},
  };
  constexpr store::TextNames names = {"morning", "afternoon", "returnTime", "state"};
  for (const auto& c : cases) {
    store::GivenTexts given = {c.given[0], c.given[1], c.given[2], c.given[3]};
    store::TypedRow row;
    char reason[160] = "";
    EXPECT_FALSE(store::takeTexts(given, names, row, reason, sizeof reason));
    EXPECT_STREQ(reason, c.reason);
  }
}

class TypedRowMade : public CoreTest {};

TEST_F(TypedRowMade, GivenTextsReplaceOthersKeepTheRowAndAnyTextStampsTheTimeAndFoldsTheReturn) {
  fake::localTime = std::tm{};
  fake::localTime.tm_year = 126, fake::localTime.tm_mon = 11, fake::localTime.tm_mday = 8;
  fake::localTime.tm_hour = 9, fake::localTime.tm_min = 5;
  const std::string longPlan = "a" + testsupport::repeat("予", 59);  // 119 bytes: cut before the last whole one
  const struct {
    const char* given[store::TypedCount];
    const char* morning;
    const char* returnTime;
    const char* state;
    const char* written;
  } cases[] = {
      {{u8"会議", nullptr, nullptr, nullptr}, "会議", "15:00", "外出・戻り", "26/12/08 09:05"},
      {{nullptr, nullptr, u8"１７：３０", nullptr}, nullptr, "17:30", "外出・戻り", "26/12/08 09:05"},
      {{nullptr, nullptr, nullptr, u8""}, nullptr, "15:00", "", "26/12/08 09:05"},
      {{u8"", u8"", u8"", u8""}, "", "", "", ""},  // all empty: the row cleared, its time too
  };
  for (const auto& c : cases) {
    store::BoardImage& image = scratchImage();
    std::memcpy(image.entries[2].morning, longPlan.data(), longPlan.size());
    std::strcpy(image.entries[2].afternoon, "客先");
    std::strcpy(image.returnTimes[2], "１５：００");
    std::strcpy(image.entries[2].state, "外出・戻り");
    std::strcpy(image.writtenAt[2], "26/12/07 18:00");
    store::GivenTexts given = {c.given[0], c.given[1], c.given[2], c.given[3]};
    constexpr store::TextNames names = {"m", "a", "r", "s"};
    store::TypedRow row;
    char reason[160];
    ASSERT_TRUE(store::takeTexts(given, names, row, reason, sizeof reason)) << reason;
    store::completeRow(image, 2, given, row);
    EXPECT_EQ(std::string(row.morning), c.morning ? c.morning : longPlan.substr(0, 117)) << c.written;
    EXPECT_STREQ(row.afternoon, c.given[1] ? c.given[1] : "客先");
    EXPECT_STREQ(row.returnTime, c.returnTime);
    EXPECT_STREQ(row.state, c.state);
    EXPECT_STREQ(row.written, c.written);
  }
}

}  // namespace

// Which members the list shows and in which order: finding and sorting over the slots.
#include "ui/row_view.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ui/columns.h"

namespace {

store::BoardImage image;
char names[store::MaxMembers][store::NameSize];

void put(int slot, const char* name, const char* morning, const char* state) {
  std::strncpy(names[slot], name, store::NameSize - 1);
  std::strncpy(image.entries[slot].morning, morning, store::PlanSize - 1);
  std::strncpy(image.entries[slot].state, state, store::StateSize - 1);
}

class RowViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(&image, 0, sizeof image);
    std::memset(names, 0, sizeof names);
    put(0, "山田 太郎(101)", "定例会議", "社内");
    put(1, "佐藤 花子(102)", "", "");
    put(2, "ソニー担当 Abe", "ＡＢＣ商事 訪問", "外出・戻り");
    put(3, "表 一郎", "", "外出・直帰");
  }
  std::vector<int> arranged(const char* find, int column = -1, bool descending = false) {
    ui::ViewRule rule = {"", column, descending};
    std::strncpy(rule.find, find, sizeof rule.find - 1);
    ui::RowView view;
    ui::arrangeRows(image, names, 4, rule, view);
    return std::vector<int>(view.slots, view.slots + view.count);
  }
};

// Names and every text are looked in; full-width letters match ASCII in either case; a double-byte
// character is never matched by its second byte (ソ and 表 end in the byte of "\").
TEST_F(RowViewTest, FindsInNamesAndTextsWholeCharactersOnly) {
  EXPECT_EQ(arranged(""), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(arranged("佐藤"), (std::vector<int>{1}));
  EXPECT_EQ(arranged("会議"), (std::vector<int>{0}));
  EXPECT_EQ(arranged("外出"), (std::vector<int>{2, 3}));
  EXPECT_EQ(arranged("abc"), (std::vector<int>{2}));
  EXPECT_EQ(arranged("ａｂｅ"), (std::vector<int>{2}));
  EXPECT_EQ(arranged("１０２"), (std::vector<int>{1}));
  EXPECT_EQ(arranged("\\"), (std::vector<int>{}));
  EXPECT_EQ(arranged("x"), (std::vector<int>{}));
}

// Byte order of the texts, again in reverse; empty texts last either way and ties in slot order, so
// the members without a state keep the name list's order below the others.
TEST_F(RowViewTest, SortsByAColumnEmptyLast) {
  EXPECT_EQ(arranged("", 4), (std::vector<int>{3, 2, 0, 1}));
  EXPECT_EQ(arranged("", 4, true), (std::vector<int>{0, 2, 3, 1}));
  EXPECT_EQ(arranged("", 1), (std::vector<int>{2, 0, 1, 3}));
  EXPECT_EQ(arranged("", 1, true), (std::vector<int>{0, 2, 1, 3}));
  EXPECT_EQ(arranged("外出", 4, true), (std::vector<int>{2, 3}));
  ui::RowView view;
  ui::ViewRule rule = {"", 4, false};
  ui::arrangeRows(image, names, 4, rule, view);
  EXPECT_EQ(ui::rowOfSlot(view, 0), 2);
  EXPECT_EQ(ui::slotOfRow(view, 0), 3);
  EXPECT_EQ(ui::slotOfRow(view, 4), -1);
  EXPECT_EQ(ui::rowOfSlot(view, 7), -1);
}

// The extension column: the text in the name's last parentheses, ASCII or full width, read by whole
// characters (ソ and 表 end in the byte of "\\", and no trail byte is a parenthesis).
TEST(ExtensionColumn, IsTheTextInTheNamesLastParentheses) {
  int extension = -1;
  for (int c = 0; c < ui::ColumnCount; ++c)
    if (std::strcmp(ui::columnAt(c).header, "内線") == 0) extension = c;
  ASSERT_GE(extension, 0);
  const struct {
    const char* name;
    const char* shown;
  } cases[] = {
      {"山田 太郎(101)", "101"}, {"表 一郎（内線２０３）", "内線２０３"},
      {"佐藤 花子", ""},         {"a(1)b(22)", "22"},
      {"(営業)ソ(5)", "5"},      {"開いたまま(", ""},
      {"閉じ)だけ", ""},
  };
  for (const auto& c : cases) {
    std::memset(names, 0, sizeof names);
    std::strncpy(names[0], c.name, store::NameSize - 1);
    char out[ui::CellSize];
    ui::columnAt(extension).text(image, names, 0, out, sizeof out);
    EXPECT_STREQ(out, c.shown) << c.name;
  }
}

// My name found as it is typed: a name that begins with the text before an earlier one that only holds
// it, the find box's folding, and a double-byte character matched only whole.
TEST(NameMatching, PrefersABeginningThenAnyPlaceAndWholeCharacters) {
  const char list[][store::NameSize] = {"佐藤 花子(102)", "花田 一郎(103)", "Ｓｏｎｙ 担当",
                                        "ソ 一",          "a\\b",           "伊藤 花(104)"};
  const struct {
    const char* typed;
    int found;
  } cases[] = {
      {"花", 1}, {"花子", 0}, {"104", 5},   {"sony", 2},           {"ＳＯ", 2},
      {"\\", 4}, {"", -1},    {"鈴木", -1}, {"佐藤 花子(102)", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ui::nameMatching(list, 6, c.typed), c.found) << c.typed;
}

}  // namespace

#include "store/board.h"

#include <cstring>
#include <string>

#include "tests/support.h"

using namespace testsupport;
store::BoardImage& board = fake::share.board;
using store::Field;

namespace {

using BoardTest = CoreTest;

TEST_F(BoardTest, ClearBoardEmptiesEveryFieldAndDisplayName) {
  std::memset(&board, 'x', sizeof board);
  std::memset(fake::share.displayNames, 'y', sizeof fake::share.displayNames);
  store::clearBoard(fake::share);
  for (int slot = 0; slot < store::MaxMembers; ++slot) {
    EXPECT_FALSE(store::rowHasText(fake::share.board, slot)) << slot;
    EXPECT_EQ(fake::share.displayNames[slot][0], '\0');
  }
}

TEST_F(BoardTest, SetRowCopiesEachTextWithItsNulAndLeavesTheRestOfTheFields) {
  std::memset(&board, 'x', sizeof board);
  store::setRow(fake::share, 7, "会議", "外出", "社内", "17:00", "26/12/07 10:00");
  EXPECT_EQ(std::memcmp(board.entries[7].morning, "会議\0xx", 7), 0);
  EXPECT_STREQ(board.entries[7].afternoon, "外出");
  EXPECT_STREQ(board.entries[7].state, "社内");
  EXPECT_STREQ(board.returnTimes[7], "17:00");
  EXPECT_STREQ(board.writtenAt[7], "26/12/07 10:00");
  EXPECT_EQ(board.writtenAt[7][15], 'x');  // bytes after the NUL are left over
  EXPECT_EQ(board.boardNames[7][0], 'x');  // names are never written by a row write
  EXPECT_EQ(board.entries[6].state[15], 'x');
  EXPECT_EQ(board.entries[8].morning[0], 'x');
}

TEST_F(BoardTest, FieldsMapToTheirColumnsAndOffsets) {
  const unsigned char* base = reinterpret_cast<const unsigned char*>(&board);
  struct Case {
    Field field;
    size_t offset;  // of slot 2
    size_t size;
  } cases[] = {
      {Field::name, 2 * 64, 64},
      {Field::morning, 19200 + 2 * 256, 120},
      {Field::afternoon, 19200 + 2 * 256 + 120, 120},
      {Field::state, 19200 + 2 * 256 + 240, 16},
      {Field::returnTime, 96000 + 2 * 64, 64},
      {Field::writtenAt, 115200 + 2 * 256, 256},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(store::fieldBytes(fake::share, 2, c.field)) - base,
              static_cast<ptrdiff_t>(c.offset));
    EXPECT_EQ(store::fieldSize(c.field), c.size);
  }
}

TEST_F(BoardTest, FieldWithoutNulIsReadOnlyUpToItsSize) {
  // The very last field of the image: nothing after it may be read.
  std::memset(board.writtenAt[299], 'w', 256);
  std::memset(board.entries[5].state, 's', 16);
  std::strcpy(board.returnTimes[0], "after");
  char out[store::WrittenSize + 1];
  EXPECT_EQ(store::fieldText(fake::share, 299, Field::writtenAt, out, sizeof out), 256u);
  EXPECT_EQ(std::string(out), std::string(256, 'w'));
  EXPECT_EQ(store::fieldText(fake::share, 5, Field::state, out, sizeof out), 16u);
  EXPECT_EQ(std::string(out), std::string(16, 's'));
  char small[8];
  EXPECT_EQ(store::fieldText(fake::share, 299, Field::writtenAt, small, sizeof small), 7u);
  EXPECT_EQ(store::fieldText(fake::share, 300, Field::writtenAt, small, sizeof small), 0u);
}

TEST_F(BoardTest, ReplaceImageTakesTheBufferWhole) {
  static unsigned char buffer[store::BoardSize];
  for (size_t i = 0; i < sizeof buffer; ++i) buffer[i] = static_cast<unsigned char>(i * 7);
  store::replaceImage(fake::share, buffer);
  EXPECT_EQ(std::memcmp(&board, buffer, sizeof buffer), 0);
}

}  // namespace

// The side record of a row write: what the next lock holder does with one left behind, and what
// a write does when the record cannot be written or no lock can be made.
#include "store/row_record.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/faults.h"
#include "platform/files.h"
#include "settings/preferences.h"
#include "store/access.h"
#include "store/board.h"
#include "store/lock.h"
#include "store/names.h"
#include "tests/support.h"

using namespace testsupport;
using files::faults::Op;
using V = std::vector<std::string>;

namespace {

// The slot the cases write.
int row = 1;

constexpr char Unlocked[] = "(305)排他ファイルを作成できません（ロックなしで処理しました）";

class RowRecordTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    boardFile = dir.file("tv_cont.lst");
    std::strcpy(settings::prefs.boardPath, boardFile.c_str());
    store::memberCount = 3;
    row = 1;
  }
  static void putMorning(std::string& image, int slot, const char* text) {
    std::memset(&image[19200 + slot * 256], 0, 120);
    std::strcpy(&image[19200 + slot * 256], text);
  }
  static std::string morningIn(const std::string& image, int slot) { return image.c_str() + 19200 + slot * 256; }
  // A record of slot 2 going from "old plan" to "new plan", as a writer that died leaves it.
  void leaveRecord(const std::string& before, const std::string& after, bool failed = false) {
    unsigned char b[store::RowBytes], a[store::RowBytes];
    store::rowBytesOf(reinterpret_cast<const unsigned char*>(before.data()), 2, b);
    store::rowBytesOf(reinterpret_cast<const unsigned char*>(after.data()), 2, a);
    FILE* record = store::openRowRecord(boardFile.c_str());
    ASSERT_NE(record, nullptr);
    ASSERT_TRUE(store::writeRowRecord(record, 2, b, a));
    if (failed) store::markRowRecordFailed(record);
    files::close(record);
  }
  bool recordLeft() const { return pendingRecord(boardFile); }
  std::string boardFile;
};

TEST_F(RowRecordTest, TheNextHolderPutsBackOnlyATornRow) {
  std::string before(store::BoardSize, '\0'), after(store::BoardSize, '\0');
  putMorning(before, 2, "old plan");
  putMorning(after, 2, "new plan");
  std::string torn = before;
  torn[19200 + 2 * 256] = 'n';  // the crash came after the first byte
  std::string theirs = before;
  putMorning(theirs, 2, "written since");
  struct Case {
    const char* label;
    std::string board;
    bool failed;  // the writer reported its write as failed
    const char* seen;
  } cases[] = {
      {"never written", before, false, "old plan"},
      {"written whole", after, false, "new plan"},
      {"torn", torn, false, "old plan"},
      {"written since by another client", theirs, false, "written since"},
      {"written whole but reported failed", after, true, "old plan"},
  };
  for (const Case& c : cases) {
    std::string board = c.board;
    putMorning(board, 0, "an older client's row");  // written after the crash, by a client that ignores records
    writeFile(boardFile, board);
    leaveRecord(before, after, c.failed);
    ASSERT_EQ(store::refreshBoard(), 1) << c.label;
    EXPECT_STREQ(store::board.entries[2].morning, c.seen) << c.label;
    EXPECT_EQ(morningIn(readFile(boardFile), 2), c.seen) << c.label;
    EXPECT_STREQ(store::board.entries[0].morning, "an older client's row") << c.label;
    EXPECT_FALSE(recordLeft()) << c.label;
  }
}

TEST_F(RowRecordTest, ARecordThatCannotBeWrittenDoesNotStopTheWrite) {
  // In a write: open 1 the board, open 2 the record for update, open 3 its creation.
  struct Case {
    Op op;
    int k;
    bool persistent;
  } cases[] = {{Op::open, 2, true}, {Op::write, 1, false}, {Op::flush, 1, false}};
  for (const Case& c : cases) {
    fake::resetAll();
    std::strcpy(settings::prefs.boardPath, boardFile.c_str());
    store::memberCount = 3;
    row = 1;
    writeFile(boardFile, std::string(store::BoardSize, '\0'));
    files::faults::failAt(c.k, c.persistent, c.op);
    EXPECT_EQ(store::writeRow(row, {"lands anyway", "", "", "", "t"}), 1);
    EXPECT_EQ(morningIn(readFile(boardFile), 1), "lands anyway");
    EXPECT_EQ(fake::messages(), (V{"サーバーアクセス中", ""}));
    EXPECT_TRUE(fake::sleeps.empty());
    EXPECT_FALSE(recordLeft());
  }
}

TEST_F(RowRecordTest, ARecordWhoseBoardWillNotOpenWaitsForTheNextHolder) {
  std::string before(store::BoardSize, '\0'), after(store::BoardSize, '\0');
  putMorning(before, 2, "old plan");
  putMorning(after, 2, "new plan");
  std::string torn = before;
  torn[19200 + 2 * 256] = 'n';
  writeFile(boardFile, torn);
  leaveRecord(before, after);
  files::faults::reset();
  files::faults::failAt(1, false, Op::open);
  EXPECT_EQ(store::writeRow(row, {"mine", "", "", "", "t"}), 0);
  EXPECT_EQ(fake::messages(), (V{"サーバーアクセス中", "(205)掲示板ファイルがオープンできません"}));
  EXPECT_EQ(fake::beeps(), 1);
  EXPECT_TRUE(recordLeft());
  // The share answers again: the torn row is put back and the new row lands beside it.
  EXPECT_EQ(store::writeRow(row, {"mine", "", "", "", "t"}), 1);
  const std::string file = readFile(boardFile);
  EXPECT_EQ(morningIn(file, 2), "old plan");
  EXPECT_EQ(morningIn(file, 1), "mine");
  EXPECT_FALSE(recordLeft());
}

TEST_F(RowRecordTest, WhereNoLockCanBeMadeTheAccessSaysSoOnceAndLeavesNoRecord) {
  writeFile(boardFile, std::string(store::BoardSize, '\0'));
  files::faults::failAt(1, true, Op::create);
  EXPECT_EQ(store::refreshBoard(), 1);
  EXPECT_EQ(fake::messages(), (V{"サーバーアクセス中..", Unlocked}));
  fake::events.clear();
  store::writeWithoutLock = true;  // only tavelin-cli's --no-lock writes there
  EXPECT_EQ(store::writeRow(row, {"unlocked", "", "", "", "t"}), 1);
  EXPECT_EQ(fake::messages(), (V{"サーバーアクセス中", Unlocked}));
  EXPECT_EQ(fake::beeps(), 0);
  EXPECT_TRUE(fake::sleeps.empty());
  EXPECT_EQ(morningIn(readFile(boardFile), 1), "unlocked");
  EXPECT_FALSE(recordLeft());
}

}  // namespace

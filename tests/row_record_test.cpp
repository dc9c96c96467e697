// The side record of a row write: what the next lock holder does with one left behind, and what
// a write does when the record cannot be written or no lock can be made.
#include "store/row_record.h"

#include <chrono>
#include <cstring>
#include <filesystem>
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
    std::strcpy(fake::share.boardPath, boardFile.c_str());
    fake::share.memberCount = 3;
    row = 1;
  }
  static void putMorning(std::string& image, int slot, const char* text) {
    std::memset(&image[19200 + slot * 256], 0, 120);
    std::strcpy(&image[19200 + slot * 256], text);
  }
  static std::string morningIn(const std::string& image, int slot) { return image.c_str() + 19200 + slot * 256; }
  // A record of slot 2 going from "old plan" to "new plan", as a writer that died leaves it; a state
  // other than Pending sealed as a writer seals it, or (stray) its byte alone changed.
  void leaveRecord(const std::string& before, const std::string& after, uint8_t state = store::RecordPending,
                   bool stray = false) {
    unsigned char b[store::RowBytes], a[store::RowBytes];
    store::rowBytesOf(reinterpret_cast<const unsigned char*>(before.data()), 2, b);
    store::rowBytesOf(reinterpret_cast<const unsigned char*>(after.data()), 2, a);
    store::RowRecord r;
    store::makeRowRecord(r, 2, b, a);
    if (stray)
      r.state = state;
    else
      store::setRecordState(r, state);
    FILE* record = store::openRowRecord(boardFile.c_str());
    ASSERT_NE(record, nullptr);
    ASSERT_TRUE(store::writeRowRecord(record, r, nullptr, 0));
    files::close(record);
  }
  bool recordLeft() const { return pendingRecord(boardFile); }
  std::string boardFile;
};

TEST_F(RowRecordTest, TheNextHolderPutsBackOnlyATornRow) {
  std::string before(store::BoardSize, '\0'), after(store::BoardSize, '\0');
  putMorning(before, 2, "old plan");
  putMorning(after, 2, "new plan");
  std::strcpy(&before[115200 + 2 * 256], "26/12/08 08:45");
  std::strcpy(&after[19200 + 2 * 256 + 240], "外出");
  std::strcpy(&after[115200 + 2 * 256], "26/12/08 09:00");
  std::string torn = before;
  torn[19200 + 2 * 256] = 'n';  // the crash came after the first byte
  std::string theirs = before;
  putMorning(theirs, 2, "written since");
  // An older PC's 外出 at 09:05, written whole after the crash: each byte of "09:05" is 08:45's or 09:00's.
  std::string olderPc = after;
  olderPc[115200 + 2 * 256 + 13] = '5';
  enum class Twist { none, reportedFailed, strayFailed, strayPending, writtenLater, recordDamaged, noLock };
  struct Case {
    const char* label;
    std::string board;
    Twist twist;
    const char* seen;
    bool writes = false;  // the next holder writes another row rather than reads
  } cases[] = {
      {"never written", before, Twist::none, "old plan"},
      {"written whole", after, Twist::none, "new plan"},
      {"torn", torn, Twist::none, "old plan"},
      {"written since by another client", theirs, Twist::none, "written since"},
      {"written whole but reported failed", after, Twist::reportedFailed, "old plan"},
      // The state byte alone changed (its seal no longer matches): the record changes nothing.
      {"written whole, the state byte alone read as failed", after, Twist::strayFailed, "new plan"},
      {"torn, the seal of a done record with the state byte read as pending", torn, Twist::strayPending, "nld plan"},
      {"an older PC's write after the dead writer's lock was reset", olderPc, Twist::writtenLater, "new plan"},
      {"a record torn while it was overwritten", torn, Twist::recordDamaged, "nld plan"},
      {"no lock to be had: another may be writing the row", torn, Twist::noLock, "nld plan"},
      {"no lock to be had, and a write", torn, Twist::noLock, "nld plan", true},
  };
  for (const Case& c : cases) {
    files::faults::reset();
    std::string board = c.board;
    putMorning(board, 0, "an older client's row");  // written after the crash, by a client that ignores records
    writeFile(boardFile, board);
    if (c.twist == Twist::strayPending) {
      leaveRecord(before, after, store::RecordDone);
      const std::string path = boardFile + ".jnl";
      writeFile(path, readFile(path).replace(offsetof(store::RowRecord, state), 1, 1, store::RecordPending));
    } else {
      leaveRecord(before, after,
                  c.twist == Twist::reportedFailed || c.twist == Twist::strayFailed ? store::RecordFailed
                                                                                    : store::RecordPending,
                  c.twist == Twist::strayFailed);
    }
    const std::string record = boardFile + ".jnl";
    if (c.twist == Twist::writtenLater)
      std::filesystem::last_write_time(boardFile, std::filesystem::last_write_time(record) + std::chrono::seconds(40));
    if (c.twist == Twist::recordDamaged)  // before's "plan" changed where the torn row matches after
      writeFile(record, readFile(record).replace(offsetof(store::RowRecord, before) + 5, 1, "L"));
    if (c.twist == Twist::noLock) files::faults::failAt(1, true, Op::create);
    const bool kept =
        c.twist == Twist::strayFailed || c.twist == Twist::strayPending || c.twist == Twist::recordDamaged;
    const std::string left = readFile(record);
    fake::share.writeWithoutLock = c.writes;  // as tavelin-cli's --no-lock: the window never writes there
    ASSERT_EQ(
        c.writes ? store::writeRow(fake::share, row, {"mine", "", "", "", "t"}) : store::refreshBoard(fake::share), 1)
        << c.label;
    EXPECT_STREQ(fake::share.board.entries[2].morning, c.seen) << c.label;
    EXPECT_EQ(morningIn(readFile(boardFile), 2), c.seen) << c.label;
    EXPECT_STREQ(fake::share.board.entries[0].morning, "an older client's row") << c.label;
    // A record not understood is kept as it was, for whoever does understand it.
    if (kept)
      EXPECT_EQ(readFile(record), left) << c.label;
    else
      EXPECT_EQ(recordLeft(), c.twist == Twist::noLock) << c.label;
  }
}

// A record naming a slot past the board is not used (beyond slot 299 a row's bytes lie over other
// fields and past the image's end), and kept: it is not understood.
TEST_F(RowRecordTest, ARecordNamingASlotPastTheBoardIsDropped) {
  writeFile(boardFile, std::string(store::BoardSize, '\0'));
  unsigned char before[store::RowBytes] = {1}, after[store::RowBytes] = {0, 1};  // zeros there read as torn
  FILE* record = store::openRowRecord(boardFile.c_str());
  ASSERT_TRUE(record && store::writeRowRecord(record, store::MaxMembers, before, after));
  files::close(record);
  std::vector<unsigned char> image(store::BoardSize + store::WrittenSize);  // room for the stray row
  EXPECT_TRUE(store::settleRowRecord(boardFile.c_str(), image.data(), nullptr, nullptr));
  EXPECT_EQ(image, std::vector<unsigned char>(image.size()));
  EXPECT_TRUE(exists(boardFile + ".jnl"));
}

TEST_F(RowRecordTest, ARecordThatCannotBeWrittenDoesNotStopTheWrite) {
  // In a write: open 1 the board, open 2 the record for update, open 3 its creation.
  struct Case {
    Op op;
    int k;
    bool persistent;
    int answer;  // 0: the board's flush fails too, and a write reported failed must not be there
  } cases[] = {{Op::open, 2, true, 1}, {Op::write, 1, false, 1}, {Op::flush, 1, false, 1}, {Op::flush, 1, true, 0}};
  for (const Case& c : cases) {
    fake::resetAll();
    std::strcpy(fake::share.boardPath, boardFile.c_str());
    fake::share.memberCount = 3;
    row = 1;
    writeFile(boardFile, std::string(store::BoardSize, '\0'));
    files::faults::failAt(c.k, c.persistent, c.op);
    EXPECT_EQ(store::writeRow(fake::share, row, {"lands anyway", "", "", "", "t"}), c.answer);
    EXPECT_EQ(morningIn(readFile(boardFile), 1), c.answer ? "lands anyway" : "");
    if (c.answer) {
      EXPECT_EQ(fake::messages(), (V{"サーバーアクセス中", ""}));
      EXPECT_TRUE(fake::sleeps.empty());
    }
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
  files::faults::failAt(1, true, Op::open);
  EXPECT_EQ(store::writeRow(fake::share, row, {"mine", "", "", "", "t"}), 0);
  EXPECT_EQ(fake::messages(), (V{"サーバーアクセス中", "(205)掲示板ファイルがオープンできません"}));
  EXPECT_EQ(fake::beeps(), 1);
  EXPECT_TRUE(recordLeft());
  files::faults::reset();
  // The share answers again: the torn row is put back and the new row lands beside it.
  EXPECT_EQ(store::writeRow(fake::share, row, {"mine", "", "", "", "t"}), 1);
  const std::string file = readFile(boardFile);
  EXPECT_EQ(morningIn(file, 2), "old plan");
  EXPECT_EQ(morningIn(file, 1), "mine");
  EXPECT_FALSE(recordLeft());
}

TEST_F(RowRecordTest, WhereNoLockCanBeMadeTheAccessSaysSoOnceAndLeavesNoRecord) {
  writeFile(boardFile, std::string(store::BoardSize, '\0'));
  files::faults::failAt(1, true, Op::create);
  EXPECT_EQ(store::refreshBoard(fake::share), 1);
  EXPECT_EQ(fake::messages(), (V{"サーバーアクセス中..", Unlocked}));
  fake::events.clear();
  fake::share.writeWithoutLock = true;  // only tavelin-cli's --no-lock writes there
  EXPECT_EQ(store::writeRow(fake::share, row, {"unlocked", "", "", "", "t"}), 1);
  EXPECT_EQ(fake::messages(), (V{"サーバーアクセス中", Unlocked}));
  EXPECT_EQ(fake::beeps(), 0);
  EXPECT_TRUE(fake::sleeps.empty());
  EXPECT_EQ(morningIn(readFile(boardFile), 1), "unlocked");
  EXPECT_FALSE(recordLeft());
}

}  // namespace

namespace {

// What a locked read leaves beside the file it reads: a side file only beside a board this PC may
// write, and only when it names it; after that, nothing (no write, no commit) while nothing changed.
TEST_F(RowRecordTest, AReadWritesTheSideFileOnlyToNameABoardItMayWrite) {
  const struct {
    const char* what;
    std::string bytes;
    int failOpen;  // the open that fails: the 4th asks whether this PC may write the board
    bool named;
  } cases[] = {
      {"a board", std::string(store::BoardSize, '\0'), 0, true},
      {"a board with a tail", std::string(store::BoardSize + 10, 'x'), 0, true},
      {"a text file", "notes\n", 0, false},
      {"an empty board", "", 0, false},
      {"a board this PC may only read", std::string(store::BoardSize, '\0'), 4, false},
  };
  for (const auto& c : cases) {
    fake::resetAll();
    std::strcpy(fake::share.boardPath, boardFile.c_str());
    fake::share.memberCount = 3;
    std::remove((boardFile + ".jnl").c_str());
    writeFile(boardFile, c.bytes);
    std::filesystem::last_write_time(boardFile, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    if (c.failOpen) files::faults::failAt(c.failOpen, false, Op::open);
    ASSERT_EQ(store::refreshBoard(fake::share), 1) << c.what;
    EXPECT_EQ(exists(boardFile + ".jnl"), c.named) << c.what;
    if (c.failOpen) {
      // Nor does a save refused there (read-only) leave one.
      files::faults::reset();
      files::faults::failAt(1, true, Op::open);
      EXPECT_EQ(store::writeRow(fake::share, row, {"x", "", "", "", "t"}), 0) << c.what;
      EXPECT_FALSE(exists(boardFile + ".jnl")) << c.what;
    }
    if (!c.named) continue;
    const std::string side = readFile(boardFile + ".jnl");
    EXPECT_EQ(side.size(), store::SideFileSize) << c.what;
    EXPECT_EQ(side.substr(store::JournalMax, 12), std::string("TVX1\x02\0\0\0", 8) + std::string("\x9C\x24\0\0", 4))
        << c.what;
    files::faults::reset();
    ASSERT_EQ(store::refreshBoard(fake::share), 1) << c.what;
    EXPECT_EQ(files::faults::operations(Op::write) + files::faults::operations(Op::flush), 0) << c.what;
  }
}

// A side file this account cannot write (another made it for itself): the save goes on without it,
// and says so once.
TEST_F(RowRecordTest, ASideFileThisPcCannotWriteIsSaidOnceAndTheSaveGoesOn) {
  writeFile(boardFile, std::string(store::BoardSize, '\0'));
  ASSERT_EQ(store::refreshBoard(fake::share), 1);
  const std::string side = readFile(boardFile + ".jnl");
  const char* refused =
      "(108)変更記録ファイル（.jnl）に書き込めないため記録なしで保存しました。管理者に書き込みの許可を依頼してください";
  for (int save = 0; save < 2; ++save) {
    fake::events.clear();
    files::faults::reset();
    files::faults::failAt(2, true, Op::open);  // the side file's opens for update (the board's is the first)
    EXPECT_EQ(store::writeRow(fake::share, row, {save ? "again" : "saved", "", "", "", "t"}), 1);
    EXPECT_EQ(fake::messages(), (V{"サーバーアクセス中", save ? "" : refused})) << save;
    EXPECT_EQ(readFile(boardFile + ".jnl"), side) << save;
  }
  EXPECT_EQ(morningIn(readFile(boardFile), row), "again");
}

}  // namespace

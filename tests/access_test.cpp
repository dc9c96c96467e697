#include "store/access.h"

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/faults.h"
#include "platform/files.h"
#include "platform/system.h"
#include "settings/preferences.h"
#include "store/board.h"
#include "store/names.h"
#include "store/row_copy.h"
#include "store/row_record.h"
#include "tests/support.h"
#include "text/timestamps.h"
#include "text/waits.h"

using namespace testsupport;
using files::faults::Op;
using V = std::vector<std::string>;

namespace {

// The slot the cases write.
int row = 1;

class AccessTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    boardFile = dir.file("tv_cont.lst");
    lock = dir.file("sem.dat");
    std::strcpy(fake::share.boardPath, boardFile.c_str());
    fake::share.memberCount = 3;
    row = 1;
    fake::localTime.tm_year = 126;
  }

  // A board image with text in the given slot's morning field.
  static std::string imageWith(int slot, const char* morning, size_t size = store::BoardSize) {
    std::string bytes(size, '\0');
    std::strcpy(&bytes[19200 + slot * 256], morning);
    return bytes;
  }
  static std::string morningIn(const std::string& image, int slot) { return image.c_str() + 19200 + slot * 256; }

  // Another client holds the lock until the virtual clock reaches releaseAt.
  void lockHeldUntil(uint64_t releaseAt, const char* holder = "OTHERPC") {
    writeFile(lock, holder);
    fake::afterSleep = [this, releaseAt] {
      if (fake::nowMs >= releaseAt) std::remove(lock.c_str());
    };
  }

  std::string boardFile, lock;
};

TEST_F(AccessTest, WithNoMembersNothingIsTouchedOrShown) {
  fake::share.memberCount = 0;
  EXPECT_EQ(store::refreshBoard(fake::share), 0);
  EXPECT_EQ(store::writeRow(fake::share, row, {"a", "b", "c", "d", "e"}), 0);
  EXPECT_TRUE(fake::events.empty());
  EXPECT_EQ(files::faults::operations(), 0);
  EXPECT_FALSE(exists(boardFile));
  EXPECT_STREQ(fake::share.statusInfoText, "");
}

TEST_F(AccessTest, RefreshReplacesTheImageAndClearsTheStatusLine) {
  writeFile(boardFile, imageWith(2, "客先"));
  std::strcpy(fake::share.board.boardNames[0], "in memory only");
  EXPECT_EQ(store::refreshBoard(fake::share), 1);
  EXPECT_STREQ(fake::share.board.entries[2].morning, "客先");
  EXPECT_STREQ(fake::share.board.boardNames[0], "");  // the file's names block, zeros here
  EXPECT_EQ(fake::messages(), (V{"サーバーアクセス中..", ""}));
  EXPECT_EQ(fake::beeps(), 0);
  EXPECT_FALSE(exists(lock));
  EXPECT_STREQ(fake::share.statusInfoText, "2026/01/00  0:00の情報");
}

TEST_F(AccessTest, StatusInfoIsOnlyFormattedWhenThereIsAStatusBar) {
  writeFile(boardFile, "");
  fake::statusBar = false;
  EXPECT_EQ(store::refreshBoard(fake::share), 1);
  EXPECT_STREQ(fake::share.statusInfoText, "");
}

// The front end learns of every access that leaves the board in memory as the share has it, a write
// that found its row changed included, and of nothing else.
TEST_F(AccessTest, TheFrontEndIsToldOfGoodReadsOnly) {
  EXPECT_EQ(store::refreshBoard(fake::share), 0);
  EXPECT_EQ(fake::boardReads, 0);
  writeFile(boardFile, imageWith(row, "theirs"));
  EXPECT_EQ(store::refreshBoard(fake::share), 1);
  EXPECT_EQ(fake::boardReads, 1);
  EXPECT_EQ(store::refreshIfChanged(fake::share), 1);
  EXPECT_EQ(fake::boardReads, 2);
  const store::RowTexts seen = {"not theirs", "", "", "", ""};
  EXPECT_EQ(store::writeRow(fake::share, row, {"mine", "", "", "", "t"}, &seen), store::RowChanged);
  EXPECT_EQ(fake::boardReads, 3);
  EXPECT_EQ(store::writeRow(fake::share, row, {"mine", "", "", "", "t"}), 1);
  EXPECT_EQ(fake::boardReads, 4);
  writeFile(lock, "OTHERPC");
  EXPECT_EQ(store::writeRow(fake::share, row, {"again", "", "", "", "t"}), 0);
  EXPECT_EQ(fake::boardReads, 4);
}

TEST_F(AccessTest, EmptyBoardReadsAsEmptyRowsAndTheFirstWriteMakesItWhole) {
  writeFile(boardFile, "");
  std::memset(&fake::share.board, 'x', sizeof fake::share.board);
  EXPECT_EQ(store::refreshBoard(fake::share), 1);
  for (int slot = 0; slot < store::MaxMembers; ++slot) ASSERT_FALSE(store::rowHasText(fake::share.board, slot));
  EXPECT_EQ(store::writeRow(fake::share, row, {"会議", "外出", "外出・戻り", "17:00", "26/12/07 10:00"}), 1);
  std::string file = readFile(boardFile);
  ASSERT_EQ(file.size(), store::BoardSize);
  EXPECT_EQ(morningIn(file, 1), "会議");
  EXPECT_STREQ(file.c_str() + 19200 + 256 + 240, "外出・戻り");
  EXPECT_STREQ(file.c_str() + 96000 + 64, "17:00");
  EXPECT_STREQ(file.c_str() + 115200 + 256, "26/12/07 10:00");
  EXPECT_EQ(fake::messages(), (V{"サーバーアクセス中..", "", "サーバーアクセス中", ""}));
  EXPECT_FALSE(exists(lock));
}

TEST_F(AccessTest, WriteKeepsOtherRowsAsTheFileHasThemAndATailBeyondTheImage) {
  std::string bytes = imageWith(0, "theirs", store::BoardSize + 100);
  std::memset(&bytes[store::BoardSize], 'T', 100);
  writeFile(boardFile, bytes);
  std::strcpy(fake::share.board.entries[0].morning, "stale in memory");
  EXPECT_EQ(store::writeRow(fake::share, row, {"mine", "", "", "", "t"}), 1);
  std::string file = readFile(boardFile);
  ASSERT_EQ(file.size(), store::BoardSize + 100);
  EXPECT_EQ(morningIn(file, 0), "theirs");
  EXPECT_EQ(morningIn(file, 1), "mine");
  EXPECT_EQ(file.substr(store::BoardSize), std::string(100, 'T'));
  EXPECT_STREQ(fake::share.board.entries[0].morning, "theirs");  // the image is the file's new content
}

TEST_F(AccessTest, MissingBoardEndsAtOnceWithABeepAndIsNotCreated) {
  EXPECT_EQ(store::refreshBoard(fake::share), 0);
  EXPECT_EQ(fake::messages(), (V{"サーバーアクセス中..", "(105)掲示板ファイルがオープンできません"}));
  EXPECT_EQ(fake::beeps(), 1);
  fake::events.clear();
  EXPECT_EQ(store::writeRow(fake::share, row, {"a", "", "", "", "t"}), 0);
  EXPECT_EQ(fake::messages(), (V{"サーバーアクセス中", "(205)掲示板ファイルがオープンできません"}));
  EXPECT_EQ(fake::beeps(), 1);
  EXPECT_FALSE(exists(boardFile));
  EXPECT_FALSE(exists(lock));
  EXPECT_TRUE(fake::sleeps.empty());
  // Nothing was read: the status line claims no time of a current board.
  EXPECT_STREQ(fake::share.statusInfoText, "");
}

TEST_F(AccessTest, UnreachableShareFailsAtOnceWithoutFalseLockErrors) {
  std::string gone = dir.file("gone") + platform::separator() + "tv_cont.lst";
  std::strcpy(fake::share.boardPath, gone.c_str());
  EXPECT_EQ(store::refreshBoard(fake::share), 0);
  EXPECT_EQ(fake::messages(), (V{"サーバーアクセス中..", "(105)掲示板ファイルがオープンできません"}));
  EXPECT_EQ(fake::beeps(), 1);
  EXPECT_TRUE(fake::sleeps.empty());
}

TEST_F(AccessTest, ALockHeldForFiveSecondsDelaysThenSucceeds) {
  writeFile(boardFile, imageWith(2, "fresh"));
  const uint64_t start = fake::nowMs;
  lockHeldUntil(start + 5000);
  EXPECT_EQ(store::refreshBoard(fake::share), 1);
  // A waiter is quiet: between its creates it reads the holder's name once a second (six times, the
  // last finding the lock gone), then opens the board and looks for its side record, then makes one to
  // name the board in the ring (an open that fails, one that asks whether this PC may write the board,
  // the create).
  EXPECT_EQ(files::faults::operations(Op::open), 6 + 5);
  V expected{"サーバーアクセス中.."};
  for (int i = 1; i <= 5; ++i)
    expected.push_back("(202)他のユーザ[OTHERPC]がファイルを使用中 (" + std::to_string(i) + "/20)");
  expected.push_back("");
  EXPECT_EQ(fake::messages(), expected);
  EXPECT_STREQ(fake::share.board.entries[2].morning, "fresh");
  EXPECT_EQ(fake::beeps(), 0);

  fake::events.clear();
  lockHeldUntil(fake::nowMs + 2500);
  EXPECT_EQ(store::writeRow(fake::share, row, {"w", "", "", "", "t"}), 1);
  EXPECT_EQ(fake::messages(), (V{"サーバーアクセス中", "(201)他のユーザがファイルを使用中",
                                 "(201)他のユーザがファイルを使用中", "(201)他のユーザがファイルを使用中", ""}));
  EXPECT_EQ(morningIn(readFile(boardFile), 1), "w");
}

TEST_F(AccessTest, AFreedLockIsTakenWithinAFractionOfASecondQuietly) {
  writeFile(boardFile, imageWith(2, "fresh"));
  const uint64_t start = fake::nowMs;
  lockHeldUntil(start + 1300);
  EXPECT_EQ(store::writeRow(fake::share, row, {"w", "", "", "", "t"}), 1);
  // Not at the next whole second (2000 and more) but at the next quarter-second look.
  EXPECT_LT(fake::nowMs - start, 1650u);
  EXPECT_EQ(fake::messages(),
            (V{"サーバーアクセス中", "(201)他のユーザがファイルを使用中", "(201)他のユーザがファイルを使用中", ""}));
}

// A row another PC changed after the dialog read it is not overwritten unasked.
TEST_F(AccessTest, ARowChangedSinceItWasSeenIsLeftAndShown) {
  std::string image = imageWith(1, "as seen");
  writeFile(boardFile, image);
  const store::RowTexts seen{"as seen", "", "", "", ""};
  EXPECT_EQ(store::writeRow(fake::share, row, {"mine", "", "", "", "t"}, &seen), 1);
  EXPECT_EQ(morningIn(readFile(boardFile), 1), "mine");
  writeFile(boardFile, imageWith(1, "theirs"));
  fake::events.clear();
  EXPECT_EQ(store::writeRow(fake::share, row, {"mine again", "", "", "", "t"}, &seen), store::RowChanged);
  EXPECT_EQ(morningIn(readFile(boardFile), 1), "theirs");
  EXPECT_STREQ(fake::share.board.entries[1].morning, "theirs");
  EXPECT_EQ(fake::messages(), (V{"サーバーアクセス中", ""}));
  EXPECT_EQ(fake::beeps(), 0);
  EXPECT_FALSE(exists(lock));

  // Another PC saved the same texts again: its later time is a change all the same.
  std::string resaved = imageWith(1, "mine");
  resaved.replace(115200 + 1 * 256, 2, "t2");
  writeFile(boardFile, resaved);
  const store::RowTexts seenMine{"mine", "", "", "", "t"};
  EXPECT_EQ(store::writeRow(fake::share, row, {"mine again", "", "", "", "t"}, &seenMine), store::RowChanged);

  // A row the dialog copied as it stood is no change, even one whose text fills its field to the last byte.
  writeFile(boardFile, imageWith(1, std::string(store::PlanSize, 'x').c_str()));
  ASSERT_EQ(store::refreshBoard(fake::share), 1);
  store::RowCopy full;
  store::copyRow(fake::share.board, 1, full);
  const store::RowTexts fullSeen = store::textsOf(full);
  EXPECT_EQ(store::writeRow(fake::share, row, {"mine", "", "", "", "t"}, &fullSeen), 1);
}

// A create that fails in passing is tried again like a busy lock. Where this PC really may not create
// the lock file, a save is refused, naming the folder (a read goes ahead with (305)).
TEST_F(AccessTest, ASaveNeverGoesWithoutTheLock) {
  writeFile(boardFile, imageWith(0, "file"));
  files::faults::failAt(1, false, Op::create);
  EXPECT_EQ(store::writeRow(fake::share, row, {"locked", "", "", "", "t"}), 1);
  EXPECT_EQ(fake::messages(), (V{"サーバーアクセス中", "(201)他のユーザがファイルを使用中", ""}));

  fake::events.clear();
  files::faults::reset();
  files::faults::failAt(1, true, Op::create);
  EXPECT_EQ(store::writeRow(fake::share, row, {"unlocked", "", "", "", "t"}), 0);
  EXPECT_EQ(fake::messages(),
            (V{"サーバーアクセス中", "(306)「" + dir.path() +
                                         "」に排他ファイルを作成できないため書き込みを中止しました。"
                                         "管理者にこのフォルダでのファイルの作成と削除の許可を依頼してください"}));
  EXPECT_EQ(fake::beeps(), 1);
  EXPECT_EQ(morningIn(readFile(boardFile), 1), "locked");
}

// The front end hears of every busy attempt and can stop the wait: it ends at the next pause, without
// a beep, the board untouched.
TEST_F(AccessTest, AWaitForABusyLockCanBeStopped) {
  writeFile(boardFile, imageWith(2, "file"));
  writeFile(lock, "OTHERPC");
  static std::vector<int> heard;
  heard.clear();
  fake::share.onBusy = [](store::Share& share, int attempt) {
    heard.push_back(attempt);
    if (attempt == 3) share.cancelWait = true;
  };
  const uint64_t start = fake::nowMs;
  EXPECT_EQ(store::writeRow(fake::share, row, {"w", "", "", "", "t"}), 0);
  EXPECT_LT(fake::nowMs - start, 2600u);
  EXPECT_EQ(heard, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(fake::messages().back(), "(203)待つのをやめました（読み書きしていません）");
  EXPECT_EQ(fake::beeps(), 0);
  EXPECT_EQ(morningIn(readFile(boardFile), 1), "");
  // The next access waits in full again.
  fake::share.onBusy = nullptr;
  fake::events.clear();
  EXPECT_EQ(store::refreshBoard(fake::share), 0);
  EXPECT_EQ(fake::messages().size(), 21u);
}

// A board this PC may read but not write is said to be read-only, not missing.
TEST_F(AccessTest, AReadOnlyBoardIsToldFromAMissingOne) {
  writeFile(boardFile, imageWith(2, "file"));
  files::faults::failAt(1, false, Op::open);
  EXPECT_EQ(store::writeRow(fake::share, row, {"w", "", "", "", "t"}), 0);
  EXPECT_EQ(fake::messages().back(),
            "(206)掲示板ファイルに書き込めません（読み取り専用か、書き込みの権限がありません）");
  EXPECT_EQ(morningIn(readFile(boardFile), 1), "");
}

TEST_F(AccessTest, ALockThatNeverGoesAwayOutlastsTwentyAttempts) {
  writeFile(boardFile, imageWith(2, "file"));
  writeFile(lock, std::string(255, 'H'));
  std::strcpy(fake::share.board.entries[2].morning, "memory");
  const uint64_t start = fake::nowMs;
  EXPECT_EQ(store::refreshBoard(fake::share), 0);
  const uint64_t took = fake::nowMs - start;
  EXPECT_GE(took, 19000u);
  EXPECT_LT(took, 19000u + 19 * 50);
  auto messages = fake::messages();
  ASSERT_EQ(messages.size(), 21u);
  EXPECT_EQ(messages.back(), "(202)他のユーザ[" + std::string(255, 'H') + "]がファイルを使用中 (20/20)");
  EXPECT_EQ(fake::beeps(), 1);
  EXPECT_STREQ(fake::share.board.entries[2].morning, "memory");
  EXPECT_EQ(readFile(lock), std::string(255, 'H'));

  fake::events.clear();
  EXPECT_EQ(store::writeRow(fake::share, row, {"w", "", "", "", "t"}), 0);
  EXPECT_EQ(fake::messages().size(), 21u);
  EXPECT_EQ(fake::beeps(), 1);
  EXPECT_EQ(morningIn(readFile(boardFile), 1), "");
}

// Each failure of a write attempt is retried with a fresh read: a row another client wrote
// in between survives, and the lock is released after every attempt.
TEST_F(AccessTest, FailedWriteAttemptsAreRetriedWithFreshReads) {
  struct Case {
    Op op;
    int k;  // the seek, write and flush of the board come after those of the side record
    const char* message;
  } cases[] = {
      {Op::read, 1, "(103)サーバーからの読み込みエラー"},
      {Op::seek, 2, "(104)サーバーファイルシークエラー"},
      {Op::write, 2, "(106)サーバーへの書き込みエラー"},
      {Op::flush, 2, "(106)サーバーへの書き込みエラー"},
  };
  for (const Case& c : cases) {
    fake::resetAll();
    std::strcpy(fake::share.boardPath, boardFile.c_str());
    fake::share.memberCount = 3;
    row = 1;
    writeFile(boardFile, imageWith(0, "before"));
    files::faults::failAt(c.k, false, c.op);
    fake::afterSleep = [this] {
      EXPECT_FALSE(exists(lock)) << "released between attempts";
      std::string other = readFile(boardFile);
      std::strcpy(&other[19200 + 2 * 256], "written meanwhile");
      writeFile(boardFile, other);
    };
    EXPECT_EQ(store::writeRow(fake::share, row, {"mine", "", "", "", "t"}), 1);
    std::string file = readFile(boardFile);
    EXPECT_EQ(morningIn(file, 1), "mine") << c.message;
    EXPECT_EQ(morningIn(file, 2), "written meanwhile") << c.message;
    EXPECT_EQ(fake::messages(), (V{"サーバーアクセス中", c.message, ""}));
    EXPECT_EQ(fake::beeps(), 1);
    EXPECT_FALSE(exists(lock));
  }
}

TEST_F(AccessTest, RefreshReadErrorIsRetriedAndLeavesTheImageUntilARealRead) {
  writeFile(boardFile, imageWith(0, "file"));
  files::faults::failAt(1, false, Op::read);
  EXPECT_EQ(store::refreshBoard(fake::share), 1);
  EXPECT_EQ(fake::messages(), (V{"サーバーアクセス中..", "(101)サーバーからの読み込みエラー", ""}));
  EXPECT_STREQ(fake::share.board.entries[0].morning, "file");

  fake::events.clear();
  std::strcpy(fake::share.board.entries[0].morning, "memory");
  files::faults::reset();
  files::faults::failAt(1, true, Op::read);
  EXPECT_EQ(store::refreshBoard(fake::share), 0);
  EXPECT_EQ(fake::messages().size(), 21u);
  EXPECT_EQ(fake::beeps(), 1);
  EXPECT_STREQ(fake::share.board.entries[0].morning, "memory");
  EXPECT_FALSE(exists(lock));
}

TEST_F(AccessTest, ABoardWhoseLockPathCannotFitTouchesNothing) {
  const std::string deep = std::string(248, 'd') + platform::separator() + "b";
  std::strcpy(fake::share.boardPath, deep.c_str());
  EXPECT_EQ(store::refreshBoard(fake::share), 0);
  EXPECT_EQ(store::writeRow(fake::share, row, {"a", "", "", "", "t"}), 0);
  EXPECT_EQ(files::faults::operations(), 0);
  EXPECT_EQ(fake::messages(), (V{"サーバーアクセス中..", "(304)排他ファイルのパスが長すぎます", "サーバーアクセス中",
                                 "(304)排他ファイルのパスが長すぎます"}));
  EXPECT_EQ(fake::beeps(), 2);
  EXPECT_TRUE(fake::sleeps.empty());
}

TEST_F(AccessTest, WriteWithNoRowSelectedTouchesNothing) {
  writeFile(boardFile, "");
  row = -1;
  EXPECT_EQ(store::writeRow(fake::share, row, {"a", "", "", "", "t"}), 0);
  EXPECT_EQ(readFile(boardFile).size(), 0u);
  EXPECT_TRUE(fake::events.empty());
}

}  // namespace

namespace {

// The timer's look at the board: unchanged costs a metadata query of the board and of its lock, and
// no lock; any change, or a board written within the tick of our lock, is read in full.
class PollTest : public AccessTest {
 protected:
  void setAge(std::chrono::seconds age) {
    std::filesystem::last_write_time(boardFile, std::filesystem::file_time_type::clock::now() - age);
  }
  // The side file as a lock holder left it that long ago.
  void setSideAge(std::chrono::seconds age) {
    std::filesystem::last_write_time(boardFile + ".jnl", std::filesystem::file_time_type::clock::now() - age);
  }
  int operationsOf(int (*op)(store::Share&)) {
    files::faults::reset();
    EXPECT_EQ(op(fake::share), 1);
    return files::faults::operations();
  }
  // Whether the look read the whole board (what the cost is: an operation count cannot tell).
  bool readWhole(int (*op)(store::Share&)) {
    files::faults::reset();
    EXPECT_EQ(op(fake::share), 1);
    return files::faults::bytesRead() >= static_cast<long long>(store::BoardSize);
  }
  // A side record of the slot going from one morning text to another, as a writer that died leaves it.
  static void leaveRecord(const std::string& board, int slot, const char* was, const char* will) {
    unsigned char before[store::RowBytes], after[store::RowBytes];
    const std::string from = imageWith(slot, was), to = imageWith(slot, will);
    store::rowBytesOf(reinterpret_cast<const unsigned char*>(from.data()), slot, before);
    store::rowBytesOf(reinterpret_cast<const unsigned char*>(to.data()), slot, after);
    FILE* record = store::openRowRecord(board.c_str());
    ASSERT_TRUE(record && store::writeRowRecord(record, slot, before, after));
    files::close(record);
  }
  // Both files written in the same whole second, an hour and a half ago (a time copied from one file to
  // the other may lose its last digits on the way on Windows).
  static void sameTime(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    const auto t =
        std::chrono::floor<std::chrono::seconds>(fs::file_time_type::clock::now() - std::chrono::minutes(90));
    fs::last_write_time(a, t);
    fs::last_write_time(b, t);
  }
};

TEST_F(PollTest, AnUnchangedBoardIsNotReadAndAChangedOneIs) {
  writeFile(boardFile, imageWith(0, "first"));
  setAge(std::chrono::hours(1));
  ASSERT_EQ(store::refreshBoard(fake::share), 1);
  setSideAge(std::chrono::hours(1));
  fake::events.clear();
  // Same size, same time written: the new bytes are not even looked at (the ring's head, the board's
  // stamp and the lock's: six operations).
  const auto time = std::filesystem::last_write_time(boardFile);
  writeFile(boardFile, imageWith(0, "unseen"));
  std::filesystem::last_write_time(boardFile, time);
  EXPECT_EQ(operationsOf(store::refreshIfChanged), 6);
  EXPECT_STREQ(fake::share.board.entries[0].morning, "first");
  EXPECT_TRUE(fake::events.empty());
  EXPECT_FALSE(exists(lock));
  // Written by anyone (here: no side record, as an older client writes): read at once.
  setAge(std::chrono::minutes(30));
  EXPECT_GT(operationsOf(store::refreshIfChanged), 1);
  EXPECT_STREQ(fake::share.board.entries[0].morning, "unseen");
  // That full read is trusted in turn.
  EXPECT_EQ(operationsOf(store::refreshIfChanged), 6);
}

TEST_F(PollTest, ABoardWrittenInTheTickOfOurLockOrSettledByUsIsReadAgain) {
  // Written "after" our lock was made: a later write might carry the same time, so never trusted.
  writeFile(boardFile, imageWith(0, "first"));
  setAge(-std::chrono::hours(1));
  ASSERT_EQ(store::refreshBoard(fake::share), 1);
  // Read by this look, or, where the stamp is whole seconds (as Windows' file times are set here) and so
  // may still be in its tick, by the quick look it asks for.
  EXPECT_TRUE(readWhole(store::refreshIfChanged) || (fake::share.proofDeferred && readWhole(store::refreshIfChanged)));
  // Written in the very tick our lock was made: as little to be trusted.
  static std::string board, lockFile;
  board = boardFile, lockFile = lock;
  setAge(std::chrono::hours(1));
  files::faults::reset();
  files::faults::actAfter(1, Op::create, [] { sameTime(board, lockFile); });
  ASSERT_EQ(store::refreshBoard(fake::share), 1);
  EXPECT_TRUE(readWhole(store::refreshIfChanged));
  // A torn row whose repair could not be written (the board's third open, for update, fails):
  // the next look reads again, and once repaired the board is trusted.
  std::string torn = imageWith(1, "nld");  // "old" with its first byte from "new"
  writeFile(boardFile, torn);
  leaveRecord(boardFile, 1, "old", "new");
  // As a crash leaves them: the board written after its record.
  std::filesystem::last_write_time(boardFile,
                                   std::filesystem::last_write_time(boardFile + ".jnl") + std::chrono::seconds(1));
  files::faults::reset();
  files::faults::failAt(3, false, Op::open);
  ASSERT_EQ(store::refreshBoard(fake::share), 1);
  EXPECT_STREQ(fake::share.board.entries[1].morning, "old");
  EXPECT_TRUE(readWhole(store::refreshIfChanged));
  EXPECT_EQ(morningIn(readFile(boardFile), 1), "old");
  setAge(std::chrono::hours(1));
  EXPECT_TRUE(readWhole(store::refreshIfChanged));
  EXPECT_EQ(operationsOf(store::refreshIfChanged), 6);
  EXPECT_FALSE(readWhole(store::refreshIfChanged));
}

// A lock left behind keeps the board from being read, changed or not: every tick names its holder and
// its time, and the board is not counted current, so the old-board warning comes with its reason.
TEST_F(PollTest, ALockLeftBehindIsNamedOnEveryTickAndTheBoardIsNotCurrent) {
  writeFile(boardFile, imageWith(0, "first"));
  setAge(std::chrono::hours(3));
  ASSERT_EQ(store::refreshBoard(fake::share), 1);
  fake::localTime = std::tm{};
  fake::localTime.tm_year = 126, fake::localTime.tm_mon = 11, fake::localTime.tm_mday = 7;
  fake::localTime.tm_hour = 11, fake::localTime.tm_min = 20, fake::localTime.tm_sec = 30;  // 2026-12-07 11:20:30
  fake::localTime.tm_isdst = -1;
  writeFile(lock, "DEADPC");
  std::filesystem::last_write_time(
      lock, std::filesystem::file_time_type::clock::now() - std::chrono::hours(2) - std::chrono::minutes(5));
  const int reads = fake::boardReads;
  fake::events.clear();
  EXPECT_EQ(store::refreshIfChanged(fake::share), 0);
  EXPECT_EQ(fake::messages(), V{"(202)他のユーザ[DEADPC]がファイルを使用中（26/12/07 09:15から）"});
  EXPECT_EQ(fake::boardReads, reads);
  // A folder watch's look says nothing of it: the lock's own going wakes the watch again.
  fake::events.clear();
  EXPECT_EQ(store::refreshIfChanged(fake::share, store::WhenLocked::quiet), 0);
  EXPECT_TRUE(fake::messages().empty());
  std::remove(lock.c_str());
  fake::events.clear();
  EXPECT_EQ(store::refreshIfChanged(fake::share), 1);
  EXPECT_EQ(fake::messages(), V{""});
  EXPECT_EQ(fake::boardReads, reads + 1);
}

// A failure's message goes when the share answers again, though the board did not change meanwhile.
TEST_F(PollTest, AFailureMessageGoesWhenTheShareComesBack) {
  writeFile(boardFile, imageWith(0, "first"));
  setAge(std::chrono::hours(1));
  ASSERT_EQ(store::refreshBoard(fake::share), 1);
  files::faults::reset();
  files::faults::failAt(1, false, Op::open);
  EXPECT_EQ(store::refreshBoard(fake::share), 0);
  fake::events.clear();
  EXPECT_EQ(store::refreshIfChanged(fake::share), 1);
  EXPECT_EQ(fake::messages(), V{""});
  fake::events.clear();
  EXPECT_EQ(store::refreshIfChanged(fake::share), 1);
  EXPECT_TRUE(fake::messages().empty());
}

// What the timer cannot trust is read under the lock, or left to the next tick: a write by a client that
// keeps no ring, which came while it read without the lock; a crash's record as old as the board. A ring
// entry of ours needs no lock. The timer's locked read is one attempt, never twenty with their waits.
TEST_F(PollTest, WhatTheTimerCannotTrustIsReadUnderTheLockOnce) {
  static std::string board, lockFile;
  board = boardFile, lockFile = lock;
  const auto crashRecord = [] {
    // Row 0 torn on its way from "first" to "second", its record as old as the board.
    writeFile(board, imageWith(0, "sirst"));
    leaveRecord(board, 0, "first", "second");
    sameTime(board, board + ".jnl");
  };
  const struct {
    const char* what;
    std::function<void()> arrange;
    int result;
    const char* shown;
  } cases[] = {
      {"written meanwhile",
       [] { files::faults::actAfter(1, Op::read, [] { writeFile(board, imageWith(0, "meanwhile")); }); }, 1,
       "meanwhile"},
      {"locked meanwhile", [] { files::faults::actAfter(1, Op::read, [] { writeFile(lockFile, "OTHERPC"); }); }, 1,
       "second"},
      {"a crash's record as old as the board", crashRecord, 1, "first"},
      {"locked as the timer turns to the lock",
       [&] {
         crashRecord();
         files::faults::actAfter(2, Op::stat, [] { writeFile(lockFile, "OTHERPC"); });
       },
       0, "first"},
  };
  for (const auto& c : cases) {
    std::remove(lock.c_str());
    std::remove((boardFile + ".jnl").c_str());
    writeFile(boardFile, imageWith(0, "first"));
    setAge(std::chrono::hours(3));
    ASSERT_EQ(store::refreshBoard(fake::share), 1);
    // Another PC of ours writes the row.
    static store::Share other;
    store::resetShare(other);
    std::strcpy(other.boardPath, boardFile.c_str());
    other.memberCount = 3;
    ASSERT_EQ(store::writeRow(other, 0, {"second", "", "", "", ""}), 1);
    files::faults::reset();
    c.arrange();
    fake::sleeps.clear();
    EXPECT_EQ(store::refreshIfChanged(fake::share), c.result) << c.what;
    EXPECT_STREQ(fake::share.board.entries[0].morning, c.shown) << c.what;
    EXPECT_TRUE(fake::sleeps.empty()) << c.what;
  }
  std::remove(lock.c_str());
}

TEST_F(PollTest, AChangedBoardIsReadWithoutTheLockUnlessALockOrAnOlderWriteIsThere) {
  const char* unlocked = "(305)排他ファイルを作成できません（ロックなしで処理しました）";
  writeFile(boardFile, imageWith(0, "first"));
  setAge(std::chrono::hours(3));
  ASSERT_EQ(store::refreshBoard(fake::share), 1);
  setSideAge(std::chrono::hours(3));
  // Changed: read without making a lock (one that cannot be made would say so).
  writeFile(boardFile, imageWith(0, "second"));
  setAge(std::chrono::hours(2));
  fake::events.clear();
  files::faults::reset();
  files::faults::failAt(1, true, Op::create);
  EXPECT_EQ(store::refreshIfChanged(fake::share), 1);
  EXPECT_STREQ(fake::share.board.entries[0].morning, "second");
  // A board that matches no head of the ring (an older client wrote it) is read under the lock.
  EXPECT_EQ(fake::messages(), (V{"サーバーアクセス中..", unlocked}));
  // Our own save leaves its record done and the board's stamp marked: still no lock needed to read.
  files::faults::reset();
  ASSERT_EQ(store::writeRow(fake::share, row, {"mine", "", "", "", "t"}), 1);
  fake::events.clear();
  files::faults::failAt(1, true, Op::create);
  EXPECT_EQ(store::refreshIfChanged(fake::share), 1);
  EXPECT_EQ(fake::messages(), V{});
  // Then a client that knows nothing of records writes: the board is newer than the record.
  writeFile(boardFile, imageWith(0, "older client"));
  setAge(std::chrono::minutes(40));
  fake::events.clear();
  EXPECT_EQ(store::refreshIfChanged(fake::share), 1);
  EXPECT_EQ(fake::messages(), (V{"サーバーアクセス中..", unlocked}));
  EXPECT_STREQ(fake::share.board.entries[0].morning, "older client");
  // Another client holds the lock: this tick leaves the board to the next, at once, naming the holder.
  files::faults::reset();
  writeFile(boardFile, imageWith(0, "third"));
  setAge(std::chrono::minutes(30));
  writeFile(lock, "OTHERPC");
  fake::events.clear();
  EXPECT_EQ(store::refreshIfChanged(fake::share), 0);
  ASSERT_EQ(fake::messages().size(), 1u);
  EXPECT_EQ(fake::messages()[0].rfind("(202)他のユーザ[OTHERPC]がファイルを使用中（", 0), 0u);
  EXPECT_TRUE(fake::sleeps.empty());
  EXPECT_STREQ(fake::share.board.entries[0].morning, "older client");
  std::remove(lock.c_str());
  EXPECT_EQ(store::refreshIfChanged(fake::share), 1);
  EXPECT_STREQ(fake::share.board.entries[0].morning, "third");
}

}  // namespace

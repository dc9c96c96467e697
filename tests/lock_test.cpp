#include "store/lock.h"

#include <cstring>
#include <string>

#include "platform/faults.h"
#include "platform/files.h"
#include "platform/system.h"
#include "settings/preferences.h"
#include "store/access.h"
#include "tests/support.h"
#include "text/bounded.h"

using namespace testsupport;
using files::faults::Op;

namespace {

class LockTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    board = dir.file("tv_cont.lst");
    lock = dir.file("sem.dat");
    std::strcpy(fake::share.boardPath, board.c_str());
    writeFile(board, "");
  }
  std::string board, lock;
};

std::string lockPathOf(const std::string& boardPath) {
  char out[store::LockPathSize];
  if (store::lockPathFor(boardPath.c_str(), boardPath.size() + 1, out) != store::LockPath::ok) return "<too long>";
  return out;
}

TEST(LockPath, IsTheBoardsFolderPlusSemDat) {
  const char s = platform::separator();
  auto p = [&](std::string text) {
    for (char& c : text)
      if (c == '|') c = s;
    return text;
  };
  EXPECT_EQ(lockPathOf(p("||srv|office|tv_cont.lst")), p("||srv|office|sem.dat"));
  EXPECT_EQ(lockPathOf(p("Z:|share|予定表.lst")), p("Z:|share|sem.dat"));
  // A name whose double-byte characters end in 0x5C: the cut is still at the real separator.
  EXPECT_EQ(lockPathOf(p("Z:|share|表ソ")), p("Z:|share|sem.dat"));
  EXPECT_EQ(lockPathOf(p("|表|ソ|x")), p("|表|ソ|sem.dat"));
  // A bare file name is in the current folder, and so is its lock.
  fake::currentDir = p("|work|here");
  EXPECT_EQ(lockPathOf("tv_cont.lst"), p("|work|here|sem.dat"));
#ifdef _WIN32
  // Windows takes either slash, and a drive-relative name keeps its drive.
  EXPECT_EQ(lockPathOf("Z:/office/tv_cont.lst"), "Z:/office/sem.dat");
  EXPECT_EQ(lockPathOf("Z:\\office/予定\\tv_cont.lst"), "Z:\\office/予定\\sem.dat");
  EXPECT_EQ(lockPathOf("C:tv_cont.lst"), "C:sem.dat");
#endif
  fake::currentDir.clear();
}

// Folder names an office uses, as this system's paths hold them: UTF-8 on POSIX, where their bytes
// look like CP932 lead bytes before the '/', and CP932 on Windows.
TEST(LockPath, JapaneseFolderNamesAreCutAtTheirSeparator) {
  const struct {
    const char* cp932;
    const char* utf8;
  } folders[] = {{"共有", u8"共有"},     {"管理", u8"管理"},     {"人事", u8"人事"},    {"庶務", u8"庶務"},
                 {"名古屋", u8"名古屋"}, {"ボード", u8"ボード"}, {"行き先", u8"行き先"}};
  const char s = platform::separator();
  for (const auto& f : folders) {
    const std::string folder = std::string(s == '/' ? f.utf8 : f.cp932) + s;
    EXPECT_EQ(lockPathOf(folder + "tv_cont.lst"), folder + "sem.dat") << f.utf8;
    char joined[64];
    EXPECT_TRUE(text::joinPath(joined, sizeof joined, folder.c_str(), folder.size(), "f"));
    EXPECT_EQ(std::string(joined), folder + "f") << f.utf8;
  }
}

std::string olderLockOf(const std::string& boardPath) {
  char out[store::LockPathSize];
  switch (store::olderPcsLockFor(boardPath.c_str(), boardPath.size() + 1, out)) {
    case store::OlderLock::same: return "<same>";
    case store::OlderLock::tooLong: return "<too long>";
    case store::OlderLock::other: return out;
  }
  return "";
}

// Older PCs cut the board path at its last byte 0x5C: inside the board's own name when a character
// of it ends in that byte (予 0x97 0x5C, 表 0x95 0x5C, ソ 0x83 0x5C, 能 0x94 0x5C, 十 0x8F 0x5C).
TEST(LockPath, OlderPcsLockBesideTheBoardWhenItsNameHasTheByte) {
  const char s = platform::separator();
  const std::string yoteihyo = "\x97\x5c\x92\xe8\x95\x5c";  // 予定表 in CP932
  struct Case {
    std::string board, older;
  } cases[] = {
      {"dir" + std::string(1, s) + yoteihyo + ".lst", "dir" + std::string(1, s) + yoteihyo + "sem.dat"},
      {"dir" + std::string(1, s) + "\x83\x5cx.lst", "dir" + std::string(1, s) + "\x83\x5csem.dat"},  // ソx.lst
      {"dir" + std::string(1, s) + "tv_cont.lst", "<same>"},
      {yoteihyo + s + "tv_cont.lst", "<same>"},  // a folder's own 0x5C is before the real separator
#ifdef _WIN32
      {yoteihyo + ".lst", yoteihyo + "sem.dat"},  // a bare name: in the current folder, as ours
      {"tv_cont.lst", "<same>"},                  // theirs would be inside the board: none to take
      {"Z:/office/tv_cont.lst", "<same>"},
      {"Z:\\office/tv_cont.lst", "Z:\\sem.dat"},  // a '/' the older PCs do not cut at
#else
      // POSIX names are UTF-8: the characters whose CP932 code ends in 0x5C, to the last one.
      {u8"/share/行動予定表.lst", u8"/share/行動予定表sem.dat"},
      {u8"/share/予定表(本社).lst", u8"/share/予定表sem.dat"},
      {u8"/share/能力ソフト.lst", u8"/share/能力ソsem.dat"},
      {u8"/share/予定/tv_cont.lst", "<same>"},
      {u8"/share/行き先.lst", "<same>"},
      {yoteihyo + ".lst", yoteihyo + "sem.dat"},
#endif
  };
  for (const Case& c : cases) EXPECT_EQ(olderLockOf(c.board), c.older) << c.board;
  EXPECT_EQ(olderLockOf(std::string(249, 'd') + s + yoteihyo), "<too long>");
}

TEST(LockPath, LongestFolderThatFitsAndOneByteMore) {
  const char s = platform::separator();
  std::string folder(247, 'f');
  EXPECT_EQ(lockPathOf(folder + s + "b.lst").size(), 255u);
  EXPECT_EQ(lockPathOf(folder + "g" + s + "b.lst"), "<too long>");
}

TEST_F(LockTest, TakingTheLockCreatesItWithOurHostNameAndReleaseDeletesIt) {
  EXPECT_EQ(store::acquireLock(fake::share), 1);
  EXPECT_EQ(readFile(lock), "TESTPC");
  EXPECT_STREQ(fake::share.holderName, "TESTPC");
  store::releaseLock(fake::share);
  EXPECT_FALSE(exists(lock));
  EXPECT_TRUE(fake::events.empty());
}

TEST_F(LockTest, AnExistingLockIsBusyAndNamesItsHolder) {
  struct Case {
    std::string content;
    std::string holder;
  } cases[] = {
      {"", ""},
      {"OTHERPC", "OTHERPC"},
      {std::string(300, 'h'), std::string(255, 'h')},
      {std::string("PC\0junk", 7), "PC"},
  };
  for (const Case& c : cases) {
    writeFile(lock, c.content);
    std::memset(fake::share.holderName, 'x', sizeof fake::share.holderName);
    fake::nowMs += 1000;  // the holder is read once a second at most
    EXPECT_EQ(store::acquireLock(fake::share), 0);
    EXPECT_EQ(std::string(fake::share.holderName), c.holder);
    EXPECT_EQ(readFile(lock), c.content);  // never touched
    store::releaseLock(fake::share);       // not ours: left alone
    EXPECT_TRUE(exists(lock));
  }
  EXPECT_TRUE(fake::events.empty());
}

TEST_F(LockTest, ASecondClientCannotTakeALockThatIsHeld) {
  EXPECT_EQ(store::acquireLock(fake::share), 1);
  fake::hostName = "SECOND";
  EXPECT_EQ(store::acquireLock(fake::share), 0);  // what any other client sees: busy, held by us
  EXPECT_STREQ(fake::share.holderName, "TESTPC");
}

TEST_F(LockTest, ALockResetByTheAdministratorCountsAsReleased) {
  EXPECT_EQ(store::acquireLock(fake::share), 1);
  EXPECT_TRUE(store::resetLock(fake::share));
  EXPECT_EQ(fake::messages(), std::vector<std::string>{"(303)排他ファイルを削除しました"});
  fake::events.clear();
  store::releaseLock(fake::share);
  EXPECT_TRUE(fake::events.empty());
  EXPECT_TRUE(fake::sleeps.empty());
}

TEST_F(LockTest, UnwritableFolderGoesAheadWithoutLockAndReleaseDoesNothing) {
  std::string missing = dir.file("gone") + platform::separator() + "tv_cont.lst";
  std::strcpy(fake::share.boardPath, missing.c_str());
  EXPECT_EQ(store::acquireLock(fake::share), 1);
  EXPECT_FALSE(store::holdsLock(fake::share));
  EXPECT_TRUE(store::lockUnavailable(fake::share));
  store::releaseLock(fake::share);
  EXPECT_TRUE(fake::events.empty());
  EXPECT_TRUE(fake::sleeps.empty());
  // A front end that will not write unlocked is told to stop instead.
  fake::share.requireLock = true;
  EXPECT_EQ(store::acquireLock(fake::share), -1);
  fake::share.requireLock = false;
  EXPECT_TRUE(fake::events.empty());
  // Where a lock can be made again, the flag clears.
  std::strcpy(fake::share.boardPath, dir.file("tv_cont.lst").c_str());
  EXPECT_EQ(store::acquireLock(fake::share), 1);
  EXPECT_FALSE(store::lockUnavailable(fake::share));
}

// Windows keeps a file from being deleted while a plain open of it is there: a waiter's look into the
// lock must not make its holder's release fail, and a lock whose delete waits for that look to end
// is a busy lock, not a folder without locks.
TEST_F(LockTest, ALookIntoTheLockLetsItsHolderReleaseIt) {
  EXPECT_EQ(store::acquireLock(fake::share), 1);
  files::Handle look(files::openReadSharingDelete(lock.c_str()));
  ASSERT_TRUE(look);
  store::releaseLock(fake::share);
  EXPECT_TRUE(fake::events.empty());
  fake::hostName = "SECOND";
  store::acquireLock(fake::share);
  EXPECT_FALSE(store::lockUnavailable(fake::share));
  store::releaseLock(fake::share);
  look.close();
  EXPECT_FALSE(exists(lock));
}

TEST_F(LockTest, ALockGoneBeforeItsHolderIsReadIsTriedAgainAtOnce) {
  // The create finds the lock; it is gone when we look (the read fails); the next create finds it
  // again and this time we read who holds it: busy with a name, not an empty one, and no wait.
  writeFile(lock, "OTHERPC");
  files::faults::failAt(1, false, Op::open);
  EXPECT_EQ(store::acquireLock(fake::share), 0);
  EXPECT_STREQ(fake::share.holderName, "OTHERPC");
  EXPECT_TRUE(fake::sleeps.empty());
  // Gone for good: the next create makes it ours, and only that makes it ours (a later access: a
  // waiter's next try would come at its pace, and read first).
  static std::string lockFile;
  lockFile = lock;
  fake::nowMs += 2000;
  store::forgetHolder(fake::share);
  files::faults::reset();
  files::faults::actAfter(1, Op::create, [] { std::remove(lockFile.c_str()); });
  EXPECT_EQ(store::acquireLock(fake::share), 1);
  EXPECT_TRUE(store::holdsLock(fake::share));
  EXPECT_EQ(readFile(lock), "TESTPC");
  store::releaseLock(fake::share);
}

TEST_F(LockTest, ALockThatCannotBeDeletedIsRetriedTwentyTimesWithProgress) {
  EXPECT_EQ(store::acquireLock(fake::share), 1);
  files::faults::failAt(1, true, Op::remove);
  const uint64_t start = fake::nowMs;
  store::releaseLock(fake::share);
  auto messages = fake::messages();
  ASSERT_EQ(messages.size(), 21u);
  EXPECT_EQ(messages[0], "(301)排他ファイルの削除リトライ中..(1/20)");
  EXPECT_EQ(messages[19], "(301)排他ファイルの削除リトライ中..(20/20)");
  EXPECT_EQ(messages[20], "(301)排他ファイルの削除エラー");
  EXPECT_EQ(fake::beeps(), 1);
  EXPECT_GE(fake::nowMs - start, 20000u);
  EXPECT_LT(fake::nowMs - start, 21000u);
  EXPECT_TRUE(exists(lock));
}

// A stop (a signal's handler, a console close) deletes what this client made and nothing else, at
// any moment: also while a release is still retrying its delete.
TEST_F(LockTest, AStopDeletesEveryLockOfOursAndNoOneElses) {
  const std::string older = dir.file("older-sem.dat");
  struct Case {
    const char* what;
    bool ours, theirs, olderOurs, othersLock;
  } cases[] = {
      {"ours", true, false, false, false},
      {"ours and the older PCs' one", true, false, true, false},
      {"nothing of ours, another's lock", false, false, false, true},
  };
  for (const Case& c : cases) {
    if (c.ours) {
      ASSERT_EQ(store::acquireLock(fake::share), 1) << c.what;
    }
    if (c.othersLock) writeFile(lock, "OTHERPC");
    if (c.olderOurs) {
      writeFile(older, "TESTPC");
      std::strcpy(fake::share.olderCreatedPath, older.c_str());
      fake::share.olderLockCreated = true;
    }
    store::releaseAtStop(fake::share);
    EXPECT_EQ(exists(lock), c.othersLock) << c.what;
    EXPECT_FALSE(exists(older)) << c.what;
    EXPECT_FALSE(store::holdsLock(fake::share)) << c.what;
    std::remove(lock.c_str());
  }
  EXPECT_TRUE(fake::events.empty());
  EXPECT_TRUE(fake::sleeps.empty());

  ASSERT_EQ(store::acquireLock(fake::share), 1);
  files::faults::failAt(1, false, Op::remove);
  static bool heldDuringTheWait;
  heldDuringTheWait = false;
  fake::afterSleep = [] {
    if (!heldDuringTheWait) heldDuringTheWait = store::holdsLock(fake::share);
    store::releaseAtStop(fake::share);
  };
  store::releaseLock(fake::share);
  fake::afterSleep = nullptr;
  EXPECT_TRUE(heldDuringTheWait);
  EXPECT_FALSE(exists(lock));
}

// On a share every request is a round trip: a PC waiting for another's lock asks about it (creates and
// reads together) at most twice in any second, yet names its holder at every attempt, follows a change
// of holder, and takes the freed lock within about half a second.
TEST_F(LockTest, AWaiterAsksAtMostTwiceASecond) {
  fake::share.memberCount = 1;
  struct Case {
    const char* what;
    uint64_t heldMs;
    bool save;
  } cases[] = {
      {"a refresh, the lock held 6 s", 6000, false},
      {"a save, the lock held 6 s", 6000, true},
      {"a refresh, the lock held 2.3 s", 2300, false},
      {"a save, the lock held 0.7 s", 700, true},
  };
  static std::string lockFile;
  static uint64_t freedAt, lastNow;
  static int lastCount;
  static std::vector<uint64_t> asks;
  lockFile = lock;
  auto requests = [] {
    return files::faults::operations(Op::open) + files::faults::operations(Op::create) +
           files::faults::operations(Op::stat) + files::faults::operations(Op::remove);
  };
  static int (*count)() = requests;
  for (const Case& c : cases) {
    writeFile(lock, "OTHERPC");
    files::faults::reset();
    fake::events.clear();
    freedAt = fake::nowMs + c.heldMs;
    lastNow = fake::nowMs;
    lastCount = 0;
    asks.clear();
    // Until the lock goes, every request is on the lock file; another PC takes it over half-way.
    fake::afterSleep = [] {
      for (int n = count(); lastCount < n; ++lastCount)
        if (lastNow < freedAt) asks.push_back(lastNow);
      lastNow = fake::nowMs;
      if (fake::nowMs >= freedAt) std::remove(lockFile.c_str());
      if (fake::nowMs >= freedAt - 3000 && fake::nowMs < freedAt - 2500) writeFile(lockFile, "NEXTPC");
    };
    const int done =
        c.save ? store::writeRow(fake::share, 0, {"w", "", "", "", "t"}) : store::refreshBoard(fake::share);
    fake::afterSleep = nullptr;
    EXPECT_EQ(done, 1) << c.what;
    EXPECT_LT(fake::nowMs - freedAt, 600u) << c.what;
    ASSERT_GE(asks.size(), c.heldMs / 1000) << c.what;
    for (size_t i = 2; i < asks.size(); ++i)
      EXPECT_GE(asks[i] - asks[i - 2], 1000u)
          << c.what << ": requests at " << asks[i - 2] << ", " << asks[i - 1] << " and " << asks[i];
    // A save's message names nobody: its first try only creates, and its next comes half a second later
    // rather than a second after a create and a read.
    if (c.save) {
      EXPECT_GE(asks[1] - asks[0], 500u) << c.what;
    }
    const auto messages = fake::messages();
    const size_t attempts = messages.size() - 2;  // between the start's and the end's
    EXPECT_GE(attempts, c.heldMs / 1000) << c.what;
    EXPECT_LE(attempts, c.heldMs / 1000 + 1) << c.what;
    if (!c.save && c.heldMs > 3000) {
      EXPECT_EQ(messages[messages.size() - 2],
                "(202)他のユーザ[NEXTPC]がファイルを使用中 (" + std::to_string(attempts) + "/20)")
          << c.what;
    }
  }
  std::remove(lock.c_str());
}

// A board whose name makes older PCs lock another file: both are taken, ours first, and released in
// reverse; either held means busy, with nothing of ours left standing.
TEST_F(LockTest, BesideOlderPcsBothLocksAreTakenAndEitherKeepsUsOut) {
  const std::string board = dir.file("\x97\x5c\x92\xe8\x95\x5c.lst");  // 予定表.lst
  const std::string theirs = dir.file("\x97\x5c\x92\xe8\x95\x5csem.dat");
  std::strcpy(fake::share.boardPath, board.c_str());
  // Through the files seam: on Windows its paths are CP932, as these names are.
  const auto present = [](const std::string& path) { return files::opens(path.c_str()); };
  writeFile(board, "");
  static std::string theirFile;
  theirFile = theirs;
  struct Case {
    const char* what;
    const char* ours;     // a lock file standing before, or null
    const char* older;    // likewise
    bool olderMeanwhile;  // an older PC makes its lock over ours while we settle (its two steps around our create)
    int answer;
    const char* holder;
  } cases[] = {
      {"none held", nullptr, nullptr, false, 1, "TESTPC"},
      {"a newer PC's", "NEWPC", nullptr, false, 0, "NEWPC"},
      {"an older PC's", nullptr, "OLDPC", false, 0, "OLDPC"},
      {"an older PC's made over ours", nullptr, nullptr, true, 0, "OLDPC"},
  };
  for (const Case& c : cases) {
    fake::nowMs += 5000;  // a fresh access each time, no wait's pace
    store::forgetHolder(fake::share);
    if (c.ours) writeFile(lock, c.ours);
    if (c.older) writeFile(theirs, c.older);
    fake::afterSleep = c.olderMeanwhile ? [] { writeFile(theirFile, "OLDPC"); } : std::function<void()>();
    EXPECT_EQ(store::acquireLock(fake::share), c.answer) << c.what;
    fake::afterSleep = nullptr;
    EXPECT_STREQ(fake::share.holderName, c.holder) << c.what;
    if (c.answer == 1) {
      EXPECT_EQ(readFile(lock), "TESTPC") << c.what;
      EXPECT_EQ(readFile(theirs), "TESTPC") << c.what;
      store::releaseLock(fake::share);
    }
    // Ours gone unless another's; theirs only where an older PC holds it.
    EXPECT_EQ(present(lock), c.ours != nullptr) << c.what;
    EXPECT_EQ(present(theirs), c.older || c.olderMeanwhile) << c.what;
    EXPECT_FALSE(store::holdsLock(fake::share)) << c.what;
    std::remove(lock.c_str());
    std::remove(theirs.c_str());
  }
  EXPECT_TRUE(fake::events.empty());

  // Waiting for an older PC's lock, a try only looks at theirs: ours is not made and removed around it.
  writeFile(theirs, "OLDPC");
  fake::nowMs += 5000;
  EXPECT_EQ(store::acquireLock(fake::share), 0);
  const int creates = files::faults::operations(Op::create);
  for (store::LockTry how : {store::LockTry::quick, store::LockTry::full}) {
    fake::nowMs += 600;
    EXPECT_EQ(store::acquireLock(fake::share, how), 0);
  }
  EXPECT_EQ(files::faults::operations(Op::create), creates);
  EXPECT_STREQ(fake::share.holderName, "OLDPC");
  std::remove(theirs.c_str());
  fake::nowMs += 600;
  EXPECT_EQ(store::acquireLock(fake::share), 1);
  store::releaseLock(fake::share);

  // A stop deletes both; the administrator's reset deletes whichever stands.
  ASSERT_EQ(store::acquireLock(fake::share), 1);
  store::releaseAtStop(fake::share);
  EXPECT_FALSE(present(lock));
  EXPECT_FALSE(present(theirs));
  writeFile(theirs, "DEADOLDPC");
  store::LockState state;
  ASSERT_TRUE(store::readLockState(fake::share, state));
  EXPECT_TRUE(state.present);
  EXPECT_EQ(std::string(state.holder), "DEADOLDPC");
  EXPECT_TRUE(store::resetLock(fake::share));
  EXPECT_FALSE(present(theirs));
}

TEST_F(LockTest, ResetWithoutALockSaysSoAndBeeps) {
  EXPECT_FALSE(store::resetLock(fake::share));
  EXPECT_EQ(fake::messages(), std::vector<std::string>{"(302)排他制御ファイルがありません"});
  EXPECT_EQ(fake::beeps(), 1);
}

TEST_F(LockTest, ResetThatCannotDeleteTries21TimesSilently) {
  writeFile(lock, "DEADPC");
  files::faults::failAt(1, true, Op::remove);
  const uint64_t start = fake::nowMs;
  EXPECT_FALSE(store::resetLock(fake::share));
  EXPECT_EQ(fake::messages(), std::vector<std::string>{"(301)排他ファイルの削除エラー"});
  EXPECT_EQ(fake::beeps(), 1);
  EXPECT_GE(fake::nowMs - start, 21000u);
  EXPECT_LT(fake::nowMs - start, 22050u);
}

TEST_F(LockTest, TooLongALockPathTouchesNothing) {
  const std::string deep = std::string(248, 'd') + platform::separator() + "b";
  std::strcpy(fake::share.boardPath, deep.c_str());
  EXPECT_EQ(store::acquireLock(fake::share), -1);
  EXPECT_EQ(files::faults::operations(), 0);
  EXPECT_EQ(fake::messages(), std::vector<std::string>{"(304)排他ファイルのパスが長すぎます"});
  EXPECT_EQ(fake::beeps(), 1);
}

}  // namespace

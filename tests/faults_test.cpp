// Every file operation of the board access, the lock, the name list and the local records is made
// to fail once, and to fail from then on, at every position. Whatever fails, the files hold the old
// content or the new one byte for byte, no lock of ours is left unless its deletion was reported
// as failed, and a failure is never reported as success.
#include "platform/faults.h"

#include <cstring>
#include <string>
#include <vector>

#include "settings/history.h"
#include "settings/preferences.h"
#include "store/access.h"
#include "store/board.h"
#include "store/names.h"
#include "tests/support.h"

using namespace testsupport;
using files::faults::failAt;

namespace {

// The slot the cases write.
int row = 1;

std::string imageWith(const char* morning) {
  std::string bytes(store::BoardSize, '\0');
  for (int slot = 0; slot < 3; ++slot) std::strcpy(&bytes[19200 + slot * 256], morning);
  return bytes;
}

std::string imageInMemory() { return std::string(reinterpret_cast<const char*>(&fake::share.board), store::BoardSize); }

bool shown(const std::string& text) {
  for (const std::string& m : fake::messages())
    if (m == text) return true;
  return false;
}

class FaultSweep : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    board = dir.file("tv_cont.lst");
    lock = dir.file("sem.dat");
    oldImage = imageWith("old");
  }
  void freshClient() {
    fake::resetAll();
    std::strcpy(fake::share.boardPath, board.c_str());
    fake::share.memberCount = 3;
    row = 1;
  }
  // Runs op once without faults and returns how many file operations it made.
  template <typename Op>
  int operationsOf(Op op) {
    freshClient();
    writeFile(board, oldImage);
    op();
    return files::faults::operations();
  }
  void lockLeftOnlyWhenReported(const std::string& label) {
    if (exists(lock)) {
      EXPECT_TRUE(shown("(301)排他ファイルの削除エラー")) << label << ": a lock of ours was left silently";
      std::remove(lock.c_str());
    }
  }
  std::string board, lock, oldImage;
};

TEST_F(FaultSweep, RowWriteLeavesTheOldOrTheNewBoard) {
  const int total = operationsOf([] { store::writeRow(fake::share, row, {"new", "new", "", "", "t"}); });
  ASSERT_GE(total, 10);
  std::string expectedNew = oldImage;
  std::strcpy(&expectedNew[19200 + 256], "new");
  std::strcpy(&expectedNew[19200 + 256 + 120], "new");
  std::strcpy(&expectedNew[115200 + 256], "t");
  int runs = 0;
  for (int k = 1; k <= total; ++k) {
    for (bool persistent : {false, true}) {
      const std::string label = "operation " + std::to_string(k) + (persistent ? " on" : " once");
      freshClient();
      writeFile(board, oldImage);
      failAt(k, persistent);
      const int result = store::writeRow(fake::share, row, {"new", "new", "", "", "t"});
      ++runs;
      if (result == 1) {
        EXPECT_EQ(readFile(board), expectedNew) << label;
        EXPECT_TRUE(shown("") || shown("(305)排他ファイルを作成できません（ロックなしで処理しました）")) << label;
      } else {
        EXPECT_GE(fake::beeps(), 1) << label;
        EXPECT_FALSE(shown("")) << label << ": a failed write cleared the status line";
      }
      lockLeftOnlyWhenReported(label);

      // The next client, with working files, sees one image or the other, and cleans up.
      freshClient();
      ASSERT_EQ(store::refreshBoard(fake::share), 1) << label;
      const std::string seen = imageInMemory();
      // What was reported is what stands: a failure never lands, later or at all. A write that the
      // writer could neither finish nor undo was reported as one that may have landed.
      const char* what = seen == expectedNew ? "the new board" : seen == oldImage ? "the old board" : "a mix";
      const bool expected = result == store::MayHaveLanded ? seen == expectedNew || seen == oldImage
                                                           : seen == (result == 1 ? expectedNew : oldImage);
      EXPECT_TRUE(expected) << label << ": result " << result << ", " << what;
      EXPECT_EQ(readFile(board), seen) << label;
      EXPECT_FALSE(pendingRecord(board)) << label;
      EXPECT_FALSE(exists(lock)) << label;
    }
  }
  EXPECT_EQ(runs, 2 * total);
}

TEST_F(FaultSweep, RefreshReplacesTheImageWholeOrNotAtAll) {
  const int total = operationsOf([] { store::refreshBoard(fake::share); });
  ASSERT_GE(total, 4);
  const std::string memory = imageWith("memory");
  for (int k = 1; k <= total; ++k) {
    for (bool persistent : {false, true}) {
      const std::string label = "operation " + std::to_string(k) + (persistent ? " on" : " once");
      freshClient();
      writeFile(board, oldImage);
      store::replaceImage(fake::share, reinterpret_cast<const unsigned char*>(memory.data()));
      failAt(k, persistent);
      const int result = store::refreshBoard(fake::share);
      const std::string seen = imageInMemory();
      if (result == 1) {
        EXPECT_EQ(seen, oldImage) << label;
      } else {
        EXPECT_EQ(seen, memory) << label;
        EXPECT_GE(fake::beeps(), 1) << label;
      }
      EXPECT_EQ(readFile(board), oldImage) << label;
      lockLeftOnlyWhenReported(label);
    }
  }
}

TEST_F(FaultSweep, NameListLoadsWholeOrReportsFailure) {
  const std::string names = dir.file("tv_name.lst");
  writeFile(names, "A;B;C;");
  auto load = [&] {
    freshClient();
    std::strcpy(fake::share.nameListPath, names.c_str());
  };
  load();
  ASSERT_EQ(store::loadNameList(fake::share), 1);
  const int total = files::faults::operations();
  for (int k = 1; k <= total; ++k) {
    for (bool persistent : {false, true}) {
      load();
      failAt(k, persistent);
      const int result = store::loadNameList(fake::share);
      // An open that keeps failing is reported; a failed read parses what arrived (nothing).
      EXPECT_TRUE((result == 1 && (fake::share.memberCount == 3 || fake::share.memberCount == 0)) ||
                  (result == 0 && fake::share.memberCount == 0 && persistent))
          << k << persistent;
    }
  }
}

TEST_F(FaultSweep, LocalRecordsAreReplacedWholeOrLeftAsTheyWere) {
  fake::currentDir = dir.path();
  settings::initLocalPaths(fake::local);
  struct Record {
    const char* name;
    void (*save)();
    std::string path;
    const void* bytes;
    size_t size;
  } records[] = {
      {"preferences", [] { settings::savePreferences(fake::local); }, fake::local.prefsPaths[settings::placeCurrent],
       &fake::local.prefs, sizeof fake::local.prefs},
      {"history", [] { settings::saveHistory(fake::history, fake::local); },
       fake::local.historyPaths[settings::placeCurrent], &fake::history, sizeof fake::history},
  };
  for (const Record& r : records) {
    const std::string before(r.size, 'o');
    std::string after;
    auto prepare = [&] {
      files::faults::reset();
      fake::local.recordsPlace = settings::placeCurrent;
      fake::local.needsSetup = false;
      std::memset(&fake::local.prefs, 'n', sizeof fake::local.prefs);
      std::memset(&fake::history, 'n', sizeof fake::history);
      writeFile(r.path, before);
    };
    prepare();
    r.save();
    after = readFile(r.path);
    ASSERT_EQ(after, std::string(r.size, 'n')) << r.name;
    const int total = files::faults::operations();
    for (int k = 1; k <= total; ++k) {
      for (bool persistent : {false, true}) {
        prepare();
        failAt(k, persistent);
        r.save();
        const std::string file = readFile(r.path);
        EXPECT_TRUE(file == before || file == after) << r.name << " operation " << k;
        // Its removal can only fail when every later operation fails too.
        if (!persistent) {
          EXPECT_FALSE(exists(r.path + ".tmp")) << r.name << " operation " << k;
        }
      }
    }
  }
}

// Loading: a fault anywhere yields the file's record whole or the defaults, never a mix.
TEST_F(FaultSweep, LocalRecordsLoadWholeOrFallBack) {
  fake::currentDir = dir.path();
  settings::initLocalPaths(fake::local);
  std::string prefsFile(550, '\0');
  std::memcpy(&prefsFile[0], "TAVELINE_V107", 14);
  std::memcpy(&prefsFile[16], "names.lst", 10);
  prefsFile[544] = 7;   // refresh every 7 minutes
  prefsFile[546] = 90;  // afternoon and state widths, so no repair changes the loaded record
  prefsFile[548] = 40;
  std::string historyFile(2400, '\0');
  std::memcpy(&historyFile[0], "会議", 5);
  writeFile(fake::local.prefsPaths[settings::placeCurrent], prefsFile);
  writeFile(fake::local.historyPaths[settings::placeCurrent], historyFile);
  auto load = [] {
    settings::resetPreferences(fake::local);
    std::memset(&fake::history, 0, sizeof fake::history);
    settings::initLocalPaths(fake::local);
    settings::loadPreferences(fake::local);
    settings::loadHistory(fake::history, fake::local);
  };
  files::faults::reset();
  load();
  const int total = files::faults::operations();
  ASSERT_GE(total, 3);
  for (int k = 1; k <= total; ++k) {
    for (bool persistent : {false, true}) {
      files::faults::reset();
      failAt(k, persistent);
      load();
      const bool loaded = !fake::local.needsSetup;
      if (loaded) {
        EXPECT_EQ(std::memcmp(&fake::local.prefs, prefsFile.data(), 550), 0) << k;
      } else {
        EXPECT_STREQ(fake::local.prefs.nameListPath, "\\\\server_name\\tv_name.lst") << k;
        EXPECT_EQ(fake::local.prefs.refreshMinutes.get(), 3) << k;
      }
      const bool historyLoaded = std::strcmp(fake::history.texts[0], "会議") == 0;
      EXPECT_TRUE(historyLoaded || fake::history.texts[0][0] == '\0') << k;
    }
  }
}

}  // namespace

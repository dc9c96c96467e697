#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "store/access.h"
#include "tests/support.h"
#include "worker/share_worker.h"

using namespace testsupport;

namespace {

// The worker's thread is the only one on the fake platform while it runs: the test thread waits on
// the listener, never on the virtual clock.
class Recorder final : public worker::Listener {
 public:
  void answered(const worker::Request& r, const worker::Outcome& o) override {
    std::lock_guard<std::mutex> hold(mutex);
    answers.push_back(o);
    rows.push_back(r.row.state);
    done.notify_all();
  }
  void waiting(const worker::Request&, int) override {
    if (onWaiting) onWaiting();
  }
  void begun(const worker::Request& r) override {
    if (onBegun) onBegun(r);
  }
  void ended() override {
    std::lock_guard<std::mutex> hold(mutex);
    over = true;
    done.notify_all();
  }
  // Real time, as a guard against a worker that never answers.
  bool waitFor(size_t count) {
    std::unique_lock<std::mutex> hold(mutex);
    return done.wait_for(hold, std::chrono::seconds(20), [&] { return answers.size() >= count; });
  }
  bool waitEnded() {
    std::unique_lock<std::mutex> hold(mutex);
    return done.wait_for(hold, std::chrono::seconds(20), [&] { return over; });
  }

  std::mutex mutex;
  std::condition_variable done;
  std::vector<worker::Outcome> answers;
  std::vector<std::string> rows;
  bool over = false;
  std::function<void()> onWaiting;
  std::function<void(const worker::Request&)> onBegun;
};

class WorkerTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    lock = dir.file("sem.dat");
    std::strcpy(fake::share.boardPath, dir.file("tv_cont.lst").c_str());
    writeFile(fake::share.boardPath, std::string(store::BoardSize, '\0'));
    fake::share.memberCount = 3;
    fake::localTime.tm_year = 126;
  }

  // Another PC holds the lock until the virtual clock reaches releaseAt.
  void lockHeldUntil(uint64_t releaseAt) {
    writeFile(lock, "OTHERPC");
    fake::afterSleep = [this, releaseAt] {
      if (fake::nowMs >= releaseAt) std::remove(lock.c_str());
    };
  }

  static worker::Request write(worker::Job job, int slot, const char* state) {
    worker::Request r;
    r.job = job;
    r.slot = slot;
    r.hasSeen = false;
    std::strcpy(r.row.state, state);
    return r;
  }

  std::string lock;
  Recorder heard;
};

// The status line's last text belongs to whichever request spoke last; each answer keeps its own.
TEST_F(WorkerTest, EachAnswerCarriesTheMessageOfItsOwnRequest) {
  struct Case {
    const char* name;
    worker::Job job;
    uint64_t lockFor;  // ms another PC holds the lock; 0: free
    int code;
    const char* message;  // the start of the answer's message
  };
  const Case cases[] = {
      {"my state saved", worker::Job::writeMine, 0, 1, "自分の状態を「在席」にしました"},
      {"a row given up after every attempt", worker::Job::writeRow, 60000, 0, "(201)"},
      {"my state given up after every attempt", worker::Job::writeMine, 60000, 0, "(201)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake::resetAll();
    SetUp();
    Recorder recorder;
    if (c.lockFor) lockHeldUntil(fake::nowMs + c.lockFor);
    worker::ShareWorker w(fake::share, recorder);
    ASSERT_TRUE(w.start());
    worker::Request r = write(c.job, 1, "在席");
    ASSERT_TRUE(w.post(r));
    // A look queued behind the write speaks after it.
    worker::Request look;
    look.job = worker::Job::tick;
    look.boardOnly = true;
    ASSERT_TRUE(w.post(look));
    ASSERT_TRUE(recorder.waitFor(2));
    w.stop(0);
    ASSERT_TRUE(recorder.waitEnded());
    EXPECT_EQ(recorder.answers[0].id, r.id);
    EXPECT_EQ(recorder.answers[0].code, c.code);
    EXPECT_EQ(std::string(recorder.answers[0].heard.message).rfind(c.message, 0), 0u)
        << recorder.answers[0].heard.message;
    EXPECT_NE(recorder.answers[1].id, r.id);
  }
}

// A close while another PC holds the lock: the write under way gives up once the stop's time is
// spent, and every write not saved is named; a lock released in time lets all of them through.
TEST_F(WorkerTest, AStopFinishesQueuedWritesInBoundedTimeAndNamesThoseNotSaved) {
  struct Case {
    const char* name;
    uint64_t lockFor;
    int unsaved;
  };
  const Case cases[] = {
      {"lock released within the stop's time", 1500, 0},
      {"lock held past it", 600000, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake::resetAll();
    SetUp();
    Recorder recorder;
    lockHeldUntil(fake::nowMs + c.lockFor);
    worker::ShareWorker w(fake::share, recorder);
    bool inFlight = true;
    recorder.onWaiting = [&] { inFlight = inFlight && w.lockInFlight(); };
    // The close comes as the first write begins, on the worker's thread like the virtual clock.
    recorder.onBegun = [&](const worker::Request& r) {
      if (std::strcmp(r.row.state, "帰宅") == 0) w.stop(worker::StopFinishMs);
    };
    worker::Request home = write(worker::Job::writeMine, 1, "帰宅");
    worker::Request other = write(worker::Job::writeRow, 2, "外出");
    ASSERT_TRUE(w.post(home));
    ASSERT_TRUE(w.post(other));
    const uint64_t start = fake::nowMs;
    ASSERT_TRUE(w.start());
    ASSERT_TRUE(recorder.waitEnded());
    EXPECT_LE(fake::nowMs - start, worker::StopFinishMs + 1500);
    worker::Request lost[worker::QueueSize];
    ASSERT_EQ(w.unsaved(lost, worker::QueueSize), c.unsaved);
    if (c.unsaved) {
      EXPECT_STREQ(lost[0].row.state, "帰宅");
      EXPECT_STREQ(lost[1].row.state, "外出");
    }
    EXPECT_TRUE(inFlight);
    EXPECT_FALSE(w.lockInFlight());
    EXPECT_FALSE(store::holdsLock(fake::share));
    worker::Request late = write(worker::Job::writeRow, 0, "在席");
    EXPECT_FALSE(w.post(late));
  }
}

// A close while a look (the list update) waits for another PC's lock: a look is not worth the close's
// wait, so its wait ends at its first pause; a save's goes on for the stop's time.
TEST_F(WorkerTest, AStopEndsALooksWaitAtOnceButNotASaves) {
  struct Case {
    const char* name;
    worker::Job job;
    bool endsAtOnce;
  };
  const Case cases[] = {
      {"list update", worker::Job::update, true},
      {"my state", worker::Job::writeMine, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake::resetAll();
    SetUp();
    Recorder recorder;
    const std::string names = dir.file("tv_name.lst");
    writeFile(names, "A;B;C;");
    std::strcpy(fake::share.nameListPath, names.c_str());
    lockHeldUntil(fake::nowMs + 600000);
    worker::ShareWorker w(fake::share, recorder);
    // The close comes as the request begins, on the worker's thread like the virtual clock.
    uint64_t stoppedAt = 0;
    recorder.onBegun = [&](const worker::Request&) {
      stoppedAt = fake::nowMs;
      w.stop(worker::StopFinishMs);
    };
    int waits = 0;
    recorder.onWaiting = [&] { ++waits; };
    worker::Request r = write(c.job, 1, "帰宅");
    ASSERT_TRUE(w.post(r));
    ASSERT_TRUE(w.start());
    ASSERT_TRUE(recorder.waitEnded());
    ASSERT_NE(stoppedAt, 0u);
    EXPECT_GE(waits, 1);
    if (c.endsAtOnce)
      EXPECT_LE(fake::nowMs - stoppedAt, 500u);
    else
      EXPECT_GE(fake::nowMs - stoppedAt, worker::StopFinishMs);
    EXPECT_FALSE(store::holdsLock(fake::share));
  }
}

// What other threads read: the board as the last access left it, with the time of the last good
// read, which a look that finds the board busy does not move.
TEST_F(WorkerTest, TheSnapshotFollowsEachAccessAndItsLastGoodRead) {
  worker::ShareWorker w(fake::share, heard);
  ASSERT_TRUE(w.start());
  worker::Request saved = write(worker::Job::writeMine, 2, "在席");
  ASSERT_TRUE(w.post(saved));
  ASSERT_TRUE(heard.waitFor(1));
  static worker::Snapshot first;
  w.snapshot(first);
  EXPECT_STREQ(first.board.entries[2].state, "在席");
  EXPECT_EQ(first.memberCount, 3);
  EXPECT_TRUE(first.everRead);
  // The board is busy for the next write: the snapshot keeps the last good read's time and names the
  // holder.
  writeFile(lock, "OTHERPC");
  worker::Request busy = write(worker::Job::writeRow, 1, "外出");
  ASSERT_TRUE(w.post(busy));
  ASSERT_TRUE(heard.waitFor(2));
  w.stop(0);
  ASSERT_TRUE(heard.waitEnded());
  static worker::Snapshot second;
  w.snapshot(second);
  EXPECT_EQ(second.goodReadMs, first.goodReadMs);
  EXPECT_TRUE(second.lockBusy);
  EXPECT_STREQ(second.holder, "OTHERPC");
}

}  // namespace

namespace {

// The settings' look at its two paths: each one's trouble in its own bits, one file named twice, and
// nothing said of a field left empty.
TEST_F(WorkerTest, APathCheckNamesEachPathsTroubleApart) {
  const std::string names = dir.file("tv_name.lst"), board = fake::share.boardPath, folder = dir.file("sub"),
                    none = dir.file("none.lst");
  writeFile(names, "A;B;");
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  using namespace worker;
  const struct {
    std::string list, board;
    int trouble;
  } cases[] = {
      {names, board, 0},
      {none, board, PathMissing},
      {folder, board, PathNotAFile},
      {names, none, PathMissing << BoardTroubleShift},
      {names, folder, PathNotAFile << BoardTroubleShift},
      {none, folder, PathMissing | PathNotAFile << BoardTroubleShift},
      {board, board, OneFileTrouble},
      {"", "", 0},
      {"", none, PathMissing << BoardTroubleShift},
  };
  for (const auto& c : cases)
    EXPECT_EQ(checkPaths(c.list.c_str(), c.board.c_str()), c.trouble) << c.list << " " << c.board;
}

}  // namespace

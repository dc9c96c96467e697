// The timer's look through the change ring: what a change costs, what it falls back to, and that no
// read torn by a write reaches the image, whatever a client's cached metadata says.
#include "store/change_ring.h"

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/faults.h"
#include "platform/files.h"
#include "store/access.h"
#include "store/row_record.h"
#include "tests/support.h"

using namespace testsupport;
using files::faults::Op;

namespace {

std::string board, side, lock;
store::Share other;  // another PC of ours

std::string imageWith(const char* morning) {
  std::string bytes(store::BoardSize, '\0');
  std::strcpy(&bytes[19200], morning);
  return bytes;
}
std::string imageOf(const store::Share& s) { return {reinterpret_cast<const char*>(&s.board), store::BoardSize}; }
void oursWrite(const char* morning) { ASSERT_EQ(store::writeRow(other, 0, {morning, "", "", "", ""}), 1); }

class RingTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    board = dir.file("tv_cont.lst");
    side = board + ".jnl";
    lock = dir.file("sem.dat");
    writeFile(board, imageWith("first"));
    std::filesystem::last_write_time(board, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    join(fake::share);
    store::resetShare(other);
    join(other);
  }

  // A PC of ours on the test board with its three members.
  void join(store::Share& pc) {
    std::strcpy(pc.boardPath, board.c_str());
    pc.memberCount = 3;
  }

  // Both PCs start over on a board of "first" written `age` ago and no side file, on a share whose
  // times have the given resolution (0: fine).
  void startOver(int resolution, std::chrono::seconds age) {
    std::remove(side.c_str());
    writeFile(board, imageWith("first"));
    std::filesystem::last_write_time(board, std::filesystem::file_time_type::clock::now() - age);
    fake::resetAll();
    files::faults::coarseTimes(resolution);
    join(fake::share);
    store::resetShare(other);
    join(other);
  }
};

// A row written by ours costs its entry; what the ring cannot account for costs one whole read, under
// the lock when the board may be what an older client wrote.
TEST_F(RingTest, AChangeCostsItsEntryAndWhatTheRingCannotTellOneWholeRead) {
  const auto damage = [](size_t at) {
    std::string bytes = readFile(side);
    bytes[at] ^= 0x40;
    writeFile(side, bytes);
  };
  const struct {
    const char* what;
    std::function<void()> arrange;
    const char* shown;
    bool whole, locked;
  } cases[] = {
      {"one change of ours", [] {}, "second", false, false},
      {"more changes than the ring holds",
       [] {
         for (int i = 0; i < store::RingEntries + 3; ++i) oursWrite(i % 2 ? "odd" : "even");
         oursWrite("second");
       },
       "second", true, false},
      {"a head whose checksum fails", [&] { damage(store::RingOffset + 5); }, "second", true, true},
      {"an entry whose checksum fails", [&] { damage(store::RingOffset + store::RingHeadSize + 20); }, "second", true,
       false},
      {"a side file cut short", [] { writeFile(side, readFile(side).substr(0, store::RingOffset + 30)); }, "second",
       true, true},
      {"a record rewritten by a client that keeps no ring",
       [] {
         unsigned char row[store::RowBytes] = {};
         store::RowRecord r;
         store::makeRowRecord(r, 0, row, row);
         FILE* f = store::openRowRecord(board.c_str());
         store::writeRowRecord(f, r, nullptr, 0);
         files::close(f);
         store::retireRowRecord(f = store::openRowRecord(board.c_str()), store::rowRecordCrc(r));
         files::close(f);
       },
       "second", true, true},
      {"no side file", [] { std::remove(side.c_str()); }, "second", true, true},
      {"an older client's write after ours",
       [] {
         writeFile(board, imageWith("older"));
         std::filesystem::last_write_time(side, std::filesystem::last_write_time(board) - std::chrono::minutes(1));
       },
       "older", true, true},
      // Named by that PC in the ring as the row it changed, once its stamp is older than that PC's lock.
      {"an older client's write another PC of ours has read under the lock",
       [] {
         writeFile(board, imageWith("older"));
         std::filesystem::last_write_time(board,
                                          std::filesystem::file_time_type::clock::now() - std::chrono::minutes(5));
         std::filesystem::last_write_time(side, std::filesystem::last_write_time(board) - std::chrono::minutes(1));
         ASSERT_EQ(store::refreshBoard(other), 1);
       },
       "older", false, false},
  };
  for (const auto& c : cases) {
    std::remove(side.c_str());
    writeFile(board, imageWith("first"));
    std::filesystem::last_write_time(board, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    fake::resetAll();
    join(fake::share);
    ASSERT_EQ(store::refreshBoard(fake::share), 1);
    oursWrite("second");
    c.arrange();
    files::faults::reset();
    EXPECT_EQ(store::refreshIfChanged(fake::share), 1) << c.what;
    EXPECT_STREQ(fake::share.board.entries[0].morning, c.shown) << c.what;
    EXPECT_EQ(files::faults::bytesRead() >= static_cast<long long>(store::BoardSize), c.whole)
        << c.what << ": " << files::faults::bytesRead() << " bytes";
    if (!c.whole) {
      EXPECT_LE(files::faults::bytesRead(), 2048) << c.what;
    }
    EXPECT_EQ(files::faults::operations(Op::create) > 0, c.locked) << c.what;
    EXPECT_LE(readFile(side).size(), store::SideFileSize) << c.what;
  }
}

// Writers in the middle of their writes, while this client's metadata cache still answers what it
// saw before they began (the board's old stamp, no sem.dat): at every step of the look, the image
// is a whole board, never one with a torn row.
TEST_F(RingTest, NoTornRowReachesTheImageWhateverTheCachedMetadataSays) {
  static std::string before, written, writtenSide, midBoard, midSide;
  static bool oursMidWrite;
  // Three whole boards: the reader's, the one written since, the one being written.
  const std::string first = imageWith("first");
  ASSERT_EQ(store::refreshBoard(fake::share), 1);
  static store::Share behind;
  behind = fake::share;
  oursWrite("second");
  before = readFile(board), writtenSide = readFile(side);
  // The board keeps the stamp its writer marked in the head, as a file not written since does.
  static std::filesystem::file_time_type beforeTime;
  beforeTime = std::filesystem::last_write_time(board);
  oursWrite("third");
  written = readFile(board);
  // Mid-write: the board's row torn ("th" of the new text over "second"), the side file (ours) as
  // its write left it before the board, its record pending.
  midBoard = before;
  midBoard.replace(19200, 2, written.substr(19200, 2));
  midSide = readFile(side);
  midSide[4] = static_cast<char>(store::RecordPending);
  const struct {
    const char* reader;
    bool stranger;  // holds a board the ring does not know
    bool ours;
  } cases[] = {{"one behind", false, true},
               {"one behind", false, false},
               {"a stranger", true, true},
               {"a stranger", true, false}};
  for (const auto& c : cases)
    for (int k = 1; k <= 16; ++k) {
      const std::string label = std::string(c.reader) + (c.ours ? ", ours writing" : ", an older client writing") +
                                ", after operation " + std::to_string(k);
      fake::resetAll();
      writeFile(board, before);
      std::filesystem::last_write_time(board, beforeTime);
      // The head marks the board's stamp as set (a time set on Windows may lose its last digits).
      std::string marked = writtenSide;
      files::Stamp stamp;
      ASSERT_TRUE(files::stamp(board.c_str(), stamp));
      store::markHead(reinterpret_cast<unsigned char*>(&marked[store::RingOffset]),
                      store::stampMark(stamp.size, stamp.modified));
      writeFile(side, marked);
      std::remove(lock.c_str());
      if (c.stranger) {
        join(fake::share);
      } else {
        fake::share = behind;
      }
      oursMidWrite = c.ours;
      files::faults::reset();
      files::faults::cacheMetadata(true);
      files::Stamp s;
      files::stamp(board.c_str(), s);
      files::stamp(side.c_str(), s);
      files::stamp(lock.c_str(), s);
      files::faults::actAfter(3 + k, Op::any, [] {
        writeFile(lock, "WRITER");
        writeFile(board, midBoard);
        if (oursMidWrite) writeFile(side, midSide);
      });
      store::refreshIfChanged(fake::share);
      const std::string seen = imageOf(fake::share);
      const bool whole = seen == first || seen == before || seen == written || seen == std::string(seen.size(), '\0');
      EXPECT_TRUE(whole) << label << ": shows \"" << fake::share.board.entries[0].morning << "\"";
    }
  std::remove(lock.c_str());
}

}  // namespace

namespace {

// An older PC (it writes the board alone, under sem.dat) writes row 1 after a save of ours, its stamp
// newer than the side file's, equal to it (as `touch -r` leaves it) or older (a client's clock behind),
// on a fine share and on shares that keep 1-s and 2-s times; right after the save, or when the save is
// an hour old and the board settled. The next timer tick shows it, with one whole read; a settled board
// costs no board bytes.
TEST_F(RingTest, AnOlderPcsWriteShowsByTheNextTickWhateverItsStamp) {
  using std::chrono::hours, std::chrono::minutes, std::chrono::seconds;
  namespace fs = std::filesystem;
  const struct {
    const char* stamp;
    fs::file_time_type::duration fromSide;
  } stamps[] = {{"newer", seconds(1)}, {"equal", seconds(0)}, {"older", -minutes(30)}};
  for (int resolution : {0, 1, 2})
    for (bool hourLater : {false, true})
      for (const auto& s : stamps) {
        const std::string label = std::string(s.stamp) + " stamp, " + std::to_string(resolution) + "-s times, " +
                                  (hourLater ? "an hour after our save" : "right after our save");
        startOver(resolution, hours(2));
        ASSERT_EQ(store::refreshBoard(fake::share), 1) << label;
        oursWrite("second");
        if (hourLater) {
          fs::last_write_time(board, fs::last_write_time(board) - hours(1));
          fs::last_write_time(side, fs::last_write_time(side) - hours(1));
        }
        EXPECT_EQ(store::refreshIfChanged(fake::share), 1) << label;
        EXPECT_STREQ(fake::share.board.entries[0].morning, "second") << label;
        if (hourLater) {
          files::faults::reset();
          EXPECT_EQ(store::refreshIfChanged(fake::share), 1) << label;
          EXPECT_LT(files::faults::bytesRead(), 2048) << label << ": a settled board is not read";
        }
        std::string older = readFile(board);
        std::strcpy(&older[19200 + 256], "older");
        writeFile(board, older);
        fs::last_write_time(board, fs::last_write_time(side) + s.fromSide);
        files::faults::reset();
        EXPECT_EQ(store::refreshIfChanged(fake::share), 1) << label;
        EXPECT_STREQ(fake::share.board.entries[1].morning, "older") << label;
        EXPECT_STREQ(fake::share.board.entries[0].morning, "second") << label;
        EXPECT_GE(files::faults::bytesRead(), static_cast<long long>(store::BoardSize)) << label;
        EXPECT_LT(files::faults::bytesRead(), 2 * static_cast<long long>(store::BoardSize)) << label;
      }
  files::faults::coarseTimes(0);
}

}  // namespace

namespace {

// The ring at its edges: each look costs the entries it lacks and the head, never the board.
TEST_F(RingTest, AFollowerCatchesUpThroughTheRingAtItsEdges) {
  const struct {
    const char* what;
    int before;      // changes of ours before the follower's first look
    bool forget;     // the follower has seen no head yet (another board, just started)
    int afterwards;  // changes of ours, each followed by a look
  } cases[] = {
      {"one behind, the ring holding 31", 30, false, 1},   {"one behind, the ring holding 32", 31, false, 1},
      {"one behind, the ring full past 32", 32, false, 1}, {"no head seen yet, three behind", 3, true, 0},
      {"no head seen yet, 32 behind", 32, true, 0},        {"two changes in a row", 0, false, 2},
  };
  for (const auto& c : cases) {
    startOver(0, std::chrono::hours(1));
    ASSERT_EQ(store::refreshBoard(fake::share), 1) << c.what;
    oursWrite("zero");
    ASSERT_EQ(store::refreshIfChanged(fake::share), 1) << c.what;
    if (c.forget) store::forgetBoardStamp(fake::share);
    for (int i = 0; i < c.before; ++i) oursWrite(("change " + std::to_string(i)).c_str());
    const int looks = c.before ? 1 + c.afterwards : c.afterwards;
    for (int look = 0; look < looks; ++look) {
      if (look > 0 || !c.before) oursWrite(("after " + std::to_string(look)).c_str());
      files::faults::reset();
      EXPECT_EQ(store::refreshIfChanged(fake::share), 1) << c.what;
      EXPECT_EQ(imageOf(fake::share), readFile(board)) << c.what << ", look " << look;
      const int entries = look == 0 && c.before ? std::min(c.before, store::RingEntries) : 1;
      EXPECT_LT(files::faults::bytesRead(), 64 + entries * 48 + 60) << c.what << ", look " << look;
      EXPECT_EQ(files::faults::operations(Op::create), 0) << c.what;
    }
  }
}

// Two proofs stand between a ring and the image: the entries' chain (each starts where the one after it
// ended) and the final board CRC. Each alone stops an entry that would change the board wrongly.
TEST_F(RingTest, EachProofOfTheRingStopsABadEntryByItself) {
  constexpr size_t Row = 5;
  unsigned char a[store::BoardSize] = {}, b[store::BoardSize], c[store::BoardSize];
  unsigned char rowA[store::RowBytes], rowB[store::RowBytes], rowC[store::RowBytes];
  std::memcpy(b, a, sizeof a);
  std::memset(b + 19200 + Row * 256, 'b', 100);
  std::memcpy(c, b, sizeof b);
  std::memset(c + 19200 + Row * 256, 'c', 256);  // one run of 256 changed bytes: two runs in the entry
  store::rowBytesOf(a, Row, rowA);
  store::rowBytesOf(b, Row, rowB);
  store::rowBytesOf(c, Row, rowC);
  const uint32_t crcA = store::crc32(a, sizeof a), crcB = store::crc32(b, sizeof b), crcC = store::crc32(c, sizeof c);
  static unsigned char first[store::RingTailMax], tail[store::RingTailMax];
  const size_t firstSize = store::nextRingTail(nullptr, 0, 1, crcA, crcB, Row, rowA, rowB, first);
  const size_t size = store::nextRingTail(first, firstSize, 2, crcB, crcC, Row, rowB, rowC, tail);
  store::RingHead head;
  ASSERT_TRUE(store::readRingHead(tail, size, head));
  ASSERT_EQ(head.count, 2);
  const size_t newest = head.lengths[0];
  // An entry changed and sealed again, as a writer with a fault would leave it.
  const auto reseal = [](unsigned char* entry, size_t length) {
    const uint32_t crc = store::crc32(entry, length - 4);
    for (int i = 0; i < 4; ++i) entry[length - 4 + i] = static_cast<unsigned char>(crc >> (8 * i));
  };
  const struct {
    const char* what;
    void (*spoil)(unsigned char* entries, size_t newest, size_t older);
    bool applies;
  } cases[] = {
      {"both proofs hold", [](unsigned char*, size_t, size_t) {}, true},
      // The newest says it starts elsewhere, yet its bytes still lead to the head's board: only the chain stops it.
      {"a broken chain, the final CRC right", [](unsigned char* e, size_t, size_t) { e[4] ^= 1; }, false},
      // The chain holds, but one changed byte of a run leads to another board: only the final CRC stops it.
      {"the chain whole, a run's byte changed", [](unsigned char* e, size_t, size_t) { e[16 + 3 + 5] ^= 1; }, false},
  };
  for (const auto& k : cases) {
    static unsigned char entries[store::RingTailMax], image[store::BoardSize];
    std::memcpy(entries, tail + store::RingHeadSize, size - store::RingHeadSize);
    k.spoil(entries, newest, head.lengths[1]);
    reseal(entries, newest);
    std::memcpy(image, a, sizeof a);
    EXPECT_EQ(store::applyRingEntries(head, entries, size - store::RingHeadSize, 2, crcA, image), k.applies) << k.what;
    if (k.applies) {
      EXPECT_EQ(std::memcmp(image, c, sizeof c), 0) << k.what;
    }
  }
}

// A write that failed and was undone is never shown by another PC, even on a share whose times cannot
// tell the undo from the write: the head it wrote first must not lead anyone to the undone row.
TEST_F(RingTest, AFailedWriteThatWasUndoneIsNeverShown) {
  for (int resolution : {0, 1}) {
    startOver(resolution, std::chrono::hours(1));
    ASSERT_EQ(store::refreshBoard(fake::share), 1);
    oursWrite("second");
    ASSERT_EQ(store::refreshIfChanged(fake::share), 1);
    // The board's write fails (its flush, after the side file's): undone, the row as it was.
    files::faults::reset();
    // Another PC takes the lock as the failed attempt lets go of it, and keeps it past the retries.
    files::faults::failAt(2, false, Op::flush);
    files::faults::actAfter(1, Op::remove, [] { writeFile(lock, "OTHERPC"); });
    EXPECT_EQ(store::writeRow(other, 0, {"undone", "", "", "", ""}), 0) << resolution;
    std::remove(lock.c_str());
    files::faults::reset();
    ASSERT_EQ(readFile(board).substr(19200, 6), std::string("second")) << resolution;
    std::filesystem::last_write_time(side, std::filesystem::last_write_time(board));
    for (auto when : {store::WhenLocked::quiet, store::WhenLocked::named}) {
      store::refreshIfChanged(fake::share, when);
      EXPECT_STREQ(fake::share.board.entries[0].morning, "second") << resolution;
    }
  }
  files::faults::coarseTimes(0);
}

}  // namespace

namespace {

// An older PC's write, once one PC of ours has read it under the lock, costs the others its entry: the
// reader that names it writes the rows it changed into the ring.
TEST_F(RingTest, AnOlderPcsWriteReadUnderTheLockByOneCostsTheOthersItsEntry) {
  ASSERT_EQ(store::refreshBoard(fake::share), 1);
  oursWrite("second");
  ASSERT_EQ(store::refreshIfChanged(fake::share), 1);
  std::string older = readFile(board);
  std::strcpy(&older[19200 + 2 * 256], "older");
  writeFile(board, older);
  std::filesystem::last_write_time(board, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(5));
  ASSERT_EQ(store::refreshBoard(other), 1);
  files::faults::reset();
  EXPECT_EQ(store::refreshIfChanged(fake::share), 1);
  EXPECT_STREQ(fake::share.board.entries[2].morning, "older");
  EXPECT_LT(files::faults::bytesRead(), 2048);
  EXPECT_EQ(files::faults::operations(Op::create), 0);
}

store::Share third;  // a third PC of ours

// On a 2-s share a save is proven once, by a locked read after its tick: a timer within the tick shows the
// ring's head and leaves the proof to its quick look, and the PCs that come after the proof take its mark.
// A and B look within the tick (the board stamped later than any lock made now), then after it.
TEST_F(RingTest, OnACoarseShareOneLockedReadAfterTheTickProvesASaveForAll) {
  namespace fs = std::filesystem;
  const struct {
    const char* what;
    bool older;     // an older PC's save (read at once by the first to meet it, to show it)
    bool glance;    // A's folder watch showed it first
    bool whole[4];  // whole boards read by A's and B's looks within the tick, then after it
  } cases[] = {{"a save of ours", false, false, {false, false, true, false}},
               {"a save of ours the folder watch showed", false, true, {false, false, true, false}},
               {"an older PC's save", true, false, {true, false, true, false}}};
  for (const auto& c : cases) {
    startOver(2, std::chrono::hours(2));
    store::resetShare(third);
    join(third);
    ASSERT_TRUE(store::refreshBoard(fake::share) == 1 && store::refreshBoard(third) == 1) << c.what;
    std::string bytes = readFile(board);
    std::strcpy(&bytes[19200 + 256], "older");
    c.older ? writeFile(board, bytes) : oursWrite("second");
    fs::last_write_time(board, fs::file_time_type::clock::now() + std::chrono::seconds(10));
    if (c.glance) store::refreshIfChanged(fake::share, store::WhenLocked::quiet);
    store::Share* pcs[] = {&fake::share, &third, &fake::share, &third};
    for (int i = 0; i < 4; ++i) {
      const std::string label = std::string(c.what) + ", look " + std::to_string(i + 1);
      if (i == 2) fs::last_write_time(board, fs::file_time_type::clock::now() - std::chrono::seconds(10));
      files::faults::reset();
      EXPECT_EQ(store::refreshIfChanged(*pcs[i]), 1) << label;
      EXPECT_STREQ(pcs[i]->board.entries[c.older ? 1 : 0].morning, c.older ? "older" : "second") << label;
      EXPECT_EQ(files::faults::bytesRead() >= static_cast<long long>(store::BoardSize), c.whole[i])
          << label << ": " << files::faults::bytesRead() << " bytes";
      EXPECT_EQ(pcs[i]->proofDeferred, i < 2 && !c.whole[i]) << label;
    }
  }
  files::faults::coarseTimes(0);
}

}  // namespace

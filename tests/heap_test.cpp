// The board operations use no heap of their own: no operator new and no malloc-family call from our
// code while a name list is loaded and the board is refreshed and written (heap_counter.h says how).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "store/access.h"
#include "store/board.h"
#include "store/names.h"
#include "store/share.h"
#include "tests/heap_counter.h"

namespace {

store::Share share;

// The slot the cases write.
int row = 1;

int* volatile keptInt;
void* volatile keptBlock;

TEST(HeapTest, TheCountsSeeEachKindOfAllocation) {
  const heapcount::Counts byNew = heapcount::during([] { keptInt = new int(1); });
  delete keptInt;
  const heapcount::Counts byMalloc = heapcount::during([] { keptBlock = std::malloc(32); });
  std::free(keptBlock);
  FILE* stream = nullptr;
  const heapcount::Counts byStream = heapcount::during([&] { stream = std::fopen("/dev/null", "rb"); });
  ASSERT_NE(stream, nullptr);
  std::fclose(stream);

  EXPECT_EQ(byNew.news, 1);
  EXPECT_EQ(byMalloc.own, 1);
  EXPECT_GE(byMalloc.all, 1);
  // fopen allocates inside the C library: seen by the process-wide count, not taken for ours.
  EXPECT_EQ(byStream.own, 0);
  EXPECT_GE(byStream.all, 1);
}

class HeapOnShare : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tavelin-heap-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    std::snprintf(dir_, sizeof dir_, "%s", pattern);
    std::snprintf(board_, sizeof board_, "%s/tv_cont.lst", dir_);
    std::snprintf(names_, sizeof names_, "%s/tv_name.lst", dir_);
    static unsigned char zeros[store::BoardSize];
    writeFile(board_, zeros, sizeof zeros);
    char list[store::MaxMembers * 12];
    size_t used = 0;
    for (int slot = 0; slot < store::MaxMembers; ++slot)
      used += static_cast<size_t>(std::snprintf(list + used, sizeof list - used, "member%03d;", slot));
    writeFile(names_, list, used);
    store::resetShare(share);
    std::snprintf(share.boardPath, sizeof share.boardPath, "%s", board_);
    std::snprintf(share.nameListPath, sizeof share.nameListPath, "%s", names_);
  }
  void TearDown() override {
    std::remove(board_);
    std::remove(names_);
    rmdir(dir_);
  }
  static void writeFile(const char* path, const void* data, size_t size) {
    FILE* f = std::fopen(path, "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(data, 1, size, f), size);
    std::fclose(f);
  }
  char dir_[64];
  char board_[96];
  char names_[96];
};

void report(const char* operation, const heapcount::Counts& c) {
  std::printf("heap %s new=%ld own-malloc=%ld c-library-malloc=%ld\n", operation, c.news, c.own, c.all);
}

TEST_F(HeapOnShare, NameListRefreshAndRowWriteAllocateNothingOfTheirOwn) {
  int loaded = 0, refreshed = 0, written = 0;
  const heapcount::Counts load = heapcount::during([&] { loaded = store::loadNameList(share); });
  ASSERT_EQ(loaded, 1);
  ASSERT_EQ(share.memberCount, store::MaxMembers);
  const heapcount::Counts refresh = heapcount::during([&] { refreshed = store::refreshBoard(share); });
  ASSERT_EQ(refreshed, 1);
  row = 12;
  const heapcount::Counts write = heapcount::during([&] {
    written = store::writeRow(share, row, {"office", "meeting", "", "17:00", "24/05/01 09:00"});
  });
  ASSERT_EQ(written, 1);
  char morning[store::PlanSize + 1];
  store::fieldText(share, 12, store::Field::morning, morning, sizeof morning);
  EXPECT_STREQ(morning, "office");

  report("loadNameList", load);
  report("refreshBoard", refresh);
  report("writeRow", write);
  for (const heapcount::Counts& c : {load, refresh, write}) {
    EXPECT_EQ(c.news, 0);
    EXPECT_EQ(c.own, 0);
  }
}

}  // namespace

// Kills a writer at every step of a row write and checks what the next client sees: the old
// image or the new one, byte for byte, never a mix; and no side file left once it has looked.
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/preferences.h"
#include "store/access.h"
#include "store/board.h"
#include "store/journal.h"
#include "store/lock.h"
#include "store/names.h"
#include "tests/support.h"

using namespace testsupport;

namespace {

std::string imageWithRow0(const std::string& text) {
  std::string bytes(store::BoardSize, '\0');
  for (int slot = 0; slot < store::MaxMembers; ++slot) std::strcpy(&bytes[115200 + slot * 256], "filler");
  std::strcpy(&bytes[19200], text.c_str());
  std::strcpy(&bytes[19200 + 120], text.c_str());
  std::strcpy(&bytes[115200], "t");
  return bytes;
}

class CrashTest : public CoreTest {
 protected:
  // Runs the writer with the crash point; its exit code.
  int runWriter(const char* mode, long long point) {
    std::string command = std::string("\"") + CRASH_WRITER + "\" \"" + board + "\" " + mode + " " +
                          std::to_string(point) + " new";
#ifdef _WIN32
    command = "\"" + command + "\"";  // cmd.exe strips one pair of outer quotes
#endif
    int code = std::system(command.c_str());
#ifndef _WIN32
    if (WIFEXITED(code)) code = WEXITSTATUS(code);
#endif
    return code;
  }

  // What the next client does: the administrator removes the dead writer's lock, then a refresh.
  void nextClientLooks(const std::string& label) {
    fake::resetAll();
    std::strcpy(settings::prefs.boardPath, board.c_str());
    store::memberCount = 1;
    if (exists(dir.file("sem.dat"))) store::resetLock();
    ASSERT_EQ(store::refreshBoard(), 1) << label;
    std::string seen(reinterpret_cast<const char*>(&store::board), store::BoardSize);
    std::string file = readFile(board);
    EXPECT_TRUE(seen == oldImage || seen == newImage) << label << ": a mixed image was read";
    EXPECT_EQ(file, seen) << label;
    EXPECT_FALSE(exists(board + ".jnl")) << label;
    EXPECT_FALSE(exists(dir.file("sem.dat"))) << label;
  }

  void SetUp() override {
    CoreTest::SetUp();
    board = dir.file("tv_cont.lst");
    oldImage = imageWithRow0("old");
    newImage = imageWithRow0("new");
  }
  std::string board, oldImage, newImage;
};

TEST_F(CrashTest, AWriterKilledAtAnyFileOperationLeavesTheOldOrTheNewBoard) {
  int crashed = 0;
  for (int op = 1; op <= 40; ++op) {
    writeFile(board, oldImage);
    const int code = runWriter("op", op);
    if (code == 0) break;  // past the last operation: the write completed
    ASSERT_EQ(code, 70) << "operation " << op;
    ++crashed;
    nextClientLooks("crash before operation " + std::to_string(op));
  }
  EXPECT_GE(crashed, 8);  // lock, side file (open, 2 writes, commit), board (open, read, seek, write, commit), deletes
}

TEST_F(CrashTest, AWriterKilledPartWayThroughAWriteLeavesTheOldOrTheNewBoard) {
  const long long journal = static_cast<long long>(store::JournalSize);
  const long long points[] = {0,           1,           4096,        96000,       191999,
                              192000,      192004,      journal - 1, journal,     journal + 1,
                              journal + 4096, journal + 96000, journal + 191999};
  for (long long point : points) {
    writeFile(board, oldImage);
    ASSERT_EQ(runWriter("bytes", point), 70) << point;
    nextClientLooks("crash after " + std::to_string(point) + " bytes");
    // Once the side file is whole, the write is certain to land.
    if (point >= journal) {
      EXPECT_EQ(readFile(board), newImage) << point;
    } else {
      EXPECT_EQ(readFile(board), oldImage) << point;
    }
  }
}

TEST_F(CrashTest, AnUncrashedWriterLeavesNoSideFile) {
  writeFile(board, oldImage);
  ASSERT_EQ(runWriter("bytes", -1), 0);
  EXPECT_EQ(readFile(board), newImage);
  EXPECT_FALSE(exists(board + ".jnl"));
  EXPECT_FALSE(exists(dir.file("sem.dat")));
}

}  // namespace

namespace {

TEST(Checksum, IsTheStandardCrc32AtEveryLengthAndAlignment) {
  EXPECT_EQ(store::crc32(reinterpret_cast<const unsigned char*>("123456789"), 9), 0xCBF43926u);
  // Against the plain bitwise definition, so the fast path cannot drift at any tail length.
  unsigned char data[64];
  for (int i = 0; i < 64; ++i) data[i] = static_cast<unsigned char>(i * 37 + 11);
  for (size_t start = 0; start < 8; ++start)
    for (size_t length = 0; start + length <= sizeof data; ++length) {
      uint32_t c = 0xFFFFFFFFu;
      for (size_t i = start; i < start + length; ++i) {
        c ^= data[i];
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      }
      ASSERT_EQ(store::crc32(data + start, length), c ^ 0xFFFFFFFFu) << start << "+" << length;
    }
}

}  // namespace

// Kills a writer at every step of a row write and checks what the next client sees: the old
// image or the new one, byte for byte, never a mix; and no side file left once it has looked.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/preferences.h"
#include "store/access.h"
#include "store/board.h"
#include "store/lock.h"
#include "store/names.h"
#include "store/row_record.h"
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
    std::string command =
        std::string("\"") + CRASH_WRITER + "\" \"" + board + "\" " + mode + " " + std::to_string(point) + " new";
#ifdef _WIN32
    command = "\"" + command + "\"";  // cmd.exe strips one pair of outer quotes
#endif
    // -1 is a start that failed (Wine's cmd.exe now and then under load), not the writer's answer.
    int code = -1;
    for (int attempt = 0; attempt < 3 && code == -1; ++attempt) code = std::system(command.c_str());
#ifndef _WIN32
    if (WIFEXITED(code)) code = WEXITSTATUS(code);
#endif
    return code;
  }

  // What the next client does: the administrator removes the dead writer's lock, then a refresh.
  void nextClientLooks(const std::string& label) {
    fake::resetAll();
    std::strcpy(fake::share.boardPath, board.c_str());
    fake::share.memberCount = 1;
    if (exists(dir.file("sem.dat"))) store::resetLock(fake::share);
    ASSERT_EQ(store::refreshBoard(fake::share), 1) << label;
    std::string seen(reinterpret_cast<const char*>(&fake::share.board), store::BoardSize);
    std::string file = readFile(board);
    const bool rowWhole =
        seen.compare(19200, 256, oldImage, 19200, 256) == 0 || seen.compare(19200, 256, newImage, 19200, 256) == 0;
    EXPECT_TRUE(rowWhole) << label << ": a torn row was read";
    EXPECT_EQ(file, seen) << label;
    EXPECT_FALSE(pendingRecord(board)) << label;
    EXPECT_FALSE(exists(dir.file("sem.dat"))) << label;
  }

  void SetUp() override {
    CoreTest::SetUp();
    board = dir.file("tv_cont.lst");
    oldImage = imageWithRow0("old");
    newImage = imageWithRow0("new");
  }
  // What the writer puts in the side file before the board: its record and the change ring, measured
  // on a write that completes.
  long long sideFileBytes() {
    writeFile(board, oldImage);
    EXPECT_EQ(runWriter("bytes", -1), 0);
    const long long size = static_cast<long long>(readFile(board + ".jnl").size());
    std::remove((board + ".jnl").c_str());
    return size;
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
  const long long record = sideFileBytes();
  // The row changes in its morning (19200..19202) and afternoon (19320..19322) texts.
  const long long rowWhole = record + 19323;
  const long long points[] = {0,
                              1,
                              record - 1,
                              record,
                              record + 4096,
                              record + 19201,
                              record + 19321,
                              rowWhole - 1,
                              rowWhole,
                              record + 96000,
                              record + 191999};
  for (long long point : points) {
    writeFile(board, oldImage);
    ASSERT_EQ(runWriter("bytes", point), 70) << point;
    nextClientLooks("crash after " + std::to_string(point) + " bytes");
    // A row the crash tore is put back; one that reached the board whole stays.
    EXPECT_EQ(readFile(board), point >= rowWhole ? newImage : oldImage) << point;
  }
}

TEST_F(CrashTest, RowsThatAnOlderClientWroteAfterACrashAreKept) {
  const long long record = sideFileBytes();
  writeFile(board, oldImage);
  ASSERT_EQ(runWriter("bytes", record + 19201), 70);  // row 0 torn, its record left behind
  // An older client, which knows nothing of the record, writes row 1 in place, whole image.
  std::string seen = readFile(board);
  std::strcpy(&seen[19200 + 256], "older client");
  writeFile(board, seen);
  nextClientLooks("after an older client's write");
  std::string expected = oldImage;
  std::strcpy(&expected[19200 + 256], "older client");
  EXPECT_EQ(readFile(board), expected);
}

TEST_F(CrashTest, AnUncrashedWriterLeavesNoSideFile) {
  writeFile(board, oldImage);
  ASSERT_EQ(runWriter("bytes", -1), 0);
  EXPECT_EQ(readFile(board), newImage);
  EXPECT_FALSE(pendingRecord(board));
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

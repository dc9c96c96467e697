// One office PC in a stress run: writes its own row COUNT times ("slot:n" in the morning field) and
// counts how often it found its previous value gone, i.e. an update lost to another writer.
//   stress_writer BOARD SLOT COUNT new|old   write with our lock, or as an older client does (its lock
//                                            path cut at the last byte 0x5C)
//   stress_writer BOARD check SLOTS COUNT    verify every slot holds its last value
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/files.h"
#include "platform/system.h"
#include "store/access.h"
#include "store/board.h"
#include "store/lock.h"
#include "store/names.h"
#include "store/share.h"
#include "text/waits.h"

namespace {

store::Share share;

// What clients before the atomic lock did: test for the file, then create it in a second step,
// and delete whatever lock file is there when done.
int oldAcquire(const char* lock) {
  files::Handle existing(files::openRead(lock));
  if (existing) return 0;
  files::Handle created(files::openWrite(lock));
  if (!created) return 1;
  char host[256] = {};
  platform::hostName(host, sizeof host);
  files::writeBlock(host, std::strlen(host), created.get());
  return 1;
}

int oldWriteRow(const char* board, const char* lock, int slot, const char* text) {
  static unsigned char image[store::BoardSize];
  for (int attempt = 1; attempt <= store::Attempts; ++attempt) {
    if (attempt > 1) text::waitJittered(1000);
    if (!oldAcquire(lock)) continue;
    files::Handle f(files::openUpdate(board));
    if (!f) {
      std::remove(lock);
      return 0;
    }
    std::memset(image, 0, sizeof image);
    files::readBlock(image, sizeof image, f.get());
    store::replaceImage(share, image);
    store::setRow(share, slot, text, "", "", "", "t");
    files::seekStart(f.get());
    const bool ok = files::writeBlock(&share.board, store::BoardSize, f.get()) == 1;
    f.close();
    std::remove(lock);
    if (ok) return 1;
  }
  return 0;
}

// The lock an older PC takes for this board, as it sees the path: every separator a '\', cut at
// the last byte 0x5C (the second byte of 表 in a CP932 name included), "\sem.dat" after it; back in
// this system's spelling.
void olderPcLock(const char* board, char (&out)[store::LockPathSize]) {
  const char* cut = nullptr;
  for (const char* p = board; *p; ++p)
    if (*p == '\\' || *p == '/') cut = p;
  if (!cut) {
    std::snprintf(out, sizeof out, "sem.dat");
    return;
  }
  std::snprintf(out, sizeof out, "%.*s%csem.dat", static_cast<int>(cut - board), board, *cut);
}

bool holds(int slot, const char* text) {
  char value[store::PlanSize + 1];
  store::fieldText(share, slot, store::Field::morning, value, sizeof value);
  return std::strcmp(value, text) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: stress_writer BOARD SLOT COUNT new|old | BOARD check SLOTS COUNT\n");
    return 2;
  }
  std::snprintf(share.boardPath, sizeof share.boardPath, "%s", argv[1]);
  share.memberCount = store::MaxMembers;
  std::srand(static_cast<unsigned>(platform::elapsedMs()) ^ static_cast<unsigned>(std::atoi(argv[2]) * 7919));

  if (std::strcmp(argv[2], "check") == 0) {
    const int slots = std::atoi(argv[3]), count = std::atoi(argv[4]);
    if (!store::refreshBoard(share)) return 1;
    int wrong = 0;
    for (int slot = 0; slot < slots; ++slot) {
      char expected[32];
      std::snprintf(expected, sizeof expected, "%d:%d", slot, count);
      if (!holds(slot, expected)) ++wrong;
    }
    std::printf("rows-wrong=%d\n", wrong);
    return wrong == 0 ? 0 : 1;
  }

  const int slot = std::atoi(argv[2]), count = std::atoi(argv[3]);
  const bool old = std::strcmp(argv[4], "old") == 0;
  char lock[store::LockPathSize];
  olderPcLock(share.boardPath, lock);
  int lost = 0, gaveUp = 0;
  for (int n = 1; n <= count; ++n) {
    char value[32];
    std::snprintf(value, sizeof value, "%d:%d", slot, n);
    // A write that gave up after its attempts is reported to the person, who presses OK again.
    while (!(old ? oldWriteRow(share.boardPath, lock, slot, value)
                 : store::writeRow(share, slot, {value, "", "", "", "t"})))
      ++gaveUp;
    // Our write must still be there when we look; a writer holding a stale image may have undone it.
    if (store::refreshBoard(share) && !holds(slot, value)) ++lost;
    text::waitJittered(200);  // a person's pause between edits, on the fast clock
  }
  std::printf("slot=%d lost=%d gave-up=%d\n", slot, lost, gaveUp);
  return 0;
}

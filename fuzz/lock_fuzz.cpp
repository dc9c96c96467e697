// The lock holder read: bytes as another client's sem.dat beside the board, then an acquisition, a
// release that must leave the other client's lock alone, and a refresh that reports the holder.
#include <cstring>
#include <string>

#include "fuzz/harness.h"
#include "settings/preferences.h"
#include "store/access.h"
#include "store/lock.h"
#include "store/names.h"
#include "tests/fake.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fake::resetAll();
  const std::string board = fuzz::scratchDir() + "/tv_cont.lst";
  std::memcpy(fake::share.boardPath, board.c_str(), board.size() + 1);
  const std::string lock = fuzz::writeScratch("sem.dat", data, size);

  fuzz::check(store::acquireLock(fake::share) == 0, "another client's lock means busy");
  fuzz::check(!store::holdsLock(fake::share), "a busy lock is not ours");
  const size_t shown = size < store::HolderSize - 1 ? size : store::HolderSize - 1;
  fuzz::check(std::memcmp(fake::share.holderName, data, shown) == 0, "holder is the lock file's first bytes");
  for (size_t i = shown; i < store::HolderSize; ++i)
    fuzz::check(fake::share.holderName[i] == '\0', "holder zero-filled");

  store::releaseLock(fake::share);
  FILE* still = std::fopen(lock.c_str(), "rb");
  fuzz::check(still != nullptr, "release keeps another client's lock");
  std::fclose(still);

  // Twenty busy attempts on the virtual clock, each naming the holder on the status line.
  fake::share.memberCount = 1;
  fuzz::check(store::refreshBoard(fake::share) == 0, "no refresh while the lock is held");
  int busy = 0;
  for (const std::string& m : fake::messages()) busy += m.compare(0, 5, "(202)") == 0;
  fuzz::check(busy == store::Attempts, "every attempt reports the holder");
  return 0;
}

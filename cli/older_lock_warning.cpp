#include "cli/older_lock_warning.h"

#include <cstdio>
#include <cstring>

#include "cli/output.h"
#include "store/lock.h"

namespace cli {

void warnOlderLockName(const char* command, const char* boardPath) {
  char older[store::LockPathSize];
  if (store::olderPcsLockFor(boardPath, std::strlen(boardPath) + 1, older) != store::OlderLock::other) return;
  std::fprintf(stderr, "tavelin-cli %s: warning: older PCs lock '", command);
  writeNativePath(stderr, older);
  std::fputs("' for the board '", stderr);
  writeNativePath(stderr, boardPath);
  // UTF-8, as every line of the CLI: the program's own literals are CP932.
  std::fputs(
      u8"', not sem.dat: a character of its name ends in the byte 0x5C (as 予, 表, ソ, 能 and 十 do), which "
      u8"they take for a '\\'. This program takes both locks, but a board name without such characters "
      u8"(tv_cont.lst) keeps every PC on one lock file.\n",
      stderr);
}

}  // namespace cli

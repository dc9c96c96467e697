#include "cli/share_guard.h"

#include <cstdio>
#include <cstring>

#include "cli/mounts.h"
#include "cli/output.h"
#include "platform/files.h"
#include "settings/preferences.h"
#include "store/access.h"
#include "store/board.h"
#include "store/lock.h"

namespace cli {

namespace {

void printFolder(FILE* out) {
  char folder[store::LockPathSize];
  std::fputc('\'', out);
  writeNativePath(out, store::lockFolder(folder) ? folder : "?");
  std::fputc('\'', out);
}

}  // namespace

bool refuseUnsafeMount(const char* command) {
  char folder[store::LockPathSize], type[FsTypeSize];
  if (!store::lockFolder(folder) || !unsafeFileSystem(folder, type, sizeof type)) return false;
  std::fprintf(stderr, "tavelin-cli %s: ", command);
  printFolder(stderr);
  std::fprintf(stderr,
               " is on a %s mount, which does not carry the lock's exclusive create to the server: two PCs "
               "could write at once. Nothing was changed. Mount the share with the kernel's client "
               "(mount -t cifs) instead, or give --no-lock to go ahead anyway.\n",
               type);
  return true;
}

bool boardLooksRight(const char* command) {
  char board[settings::PathSize + 1];
  settings::pathText(settings::prefs.boardPath, board);
  files::Handle file(files::openRead(board));
  if (!file) return true;
  if (std::fseek(file.get(), 0, SEEK_END) != 0) return true;
  long size = std::ftell(file.get());
  if (size <= 0 || size >= static_cast<long>(store::BoardSize)) return true;
  file.close();
  // A board in its first write (an empty one being filled) is short only while its writer holds the
  // lock: its size under the lock is what counts.
  const long long locked = store::lockedBoardSize();
  if (locked == 0 || locked >= static_cast<long long>(store::BoardSize)) return true;
  if (locked > 0) size = static_cast<long>(locked);
  std::fprintf(stderr, "tavelin-cli %s: '", command);
  writeNativePath(stderr, board);
  std::fprintf(stderr,
               "' is %ld bytes; a board file is empty or at least 192,000 bytes, so this is probably not the "
               "board (the name list?). Nothing was written; --force writes it anyway.\n",
               size);
  return false;
}

void reportNoLock(const char* command, bool refused) {
  std::fprintf(stderr, "tavelin-cli %s: %sno lock file can be made in ", command, refused ? "" : "warning: ");
  printFolder(stderr);
  if (refused)
    std::fputs(
        " (read-only, missing or unreachable), so other PCs could not be kept out. Nothing was changed; "
        "--no-lock goes ahead without the lock.\n",
        stderr);
  else
    std::fputs("; the board was read without the lock.\n", stderr);
}

}  // namespace cli

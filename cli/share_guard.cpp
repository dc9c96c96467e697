#include "cli/share_guard.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/mounts.h"
#include "cli/output.h"
#include "cli/session.h"
#include "platform/files.h"
#include "platform/system.h"
#include "settings/preferences.h"
#include "store/access.h"
#include "store/board.h"
#include "store/lock.h"
#include "text/bounded.h"

namespace cli {

namespace {

// Why a file did not open, in the terms an administrator acts on.
const char* openFailure(int error) {
  switch (error) {
    case ENOENT: return "no such file (a mistyped name, or a folder that is not there)";
    case EACCES:
    case EPERM: return "access denied (read-only for this user, or held by another program)";
    case EROFS: return "the file system is read-only";
    case 0: return "the system gave no reason";
    default: return std::strerror(error);
  }
}

}  // namespace

const char* openFailureReason(const char* path, int error) {
  switch (files::kindOf(path)) {
    case files::Kind::folder: return "a folder, not a file";
    case files::Kind::other: return "not a regular file (a FIFO, a device or a socket)";
    case files::Kind::none:
    case files::Kind::regular: break;
  }
  return openFailure(error);
}

namespace {

void printFolder(FILE* out) {
  char folder[store::LockPathSize];
  std::fputc('\'', out);
  writeNativePath(out, store::lockFolder(share(), folder) ? folder : "?");
  std::fputc('\'', out);
}

}  // namespace

bool refuseUnsafeMount(const char* command) {
  char folder[store::LockPathSize], type[FsTypeSize];
  if (!store::lockFolder(share(), folder) || !unsafeFileSystem(folder, type, sizeof type)) return false;
  std::fprintf(stderr, "tavelin-cli %s: ", command);
  printFolder(stderr);
  std::fprintf(stderr,
               " is on a %s mount, which does not carry the lock's exclusive create to the server: two PCs "
               "could write at once. Nothing was changed. Mount the share with the kernel's client "
               "(mount -t cifs) instead, or give --no-lock to go ahead anyway.\n",
               type);
  return true;
}

bool boardLooksRight(const char* command, bool refused) {
  char board[settings::PathSize + 1];
  store::sharePath(share().boardPath, board);
  files::Handle file(files::openRead(board));
  if (!file) return true;
  if (std::fseek(file.get(), 0, SEEK_END) != 0) return true;
  long size = std::ftell(file.get());
  if (size <= 0 || size >= static_cast<long>(store::BoardSize)) return true;
  file.close();
  // A board in its first write (an empty one being filled) is short only while its writer holds the
  // lock: its size under the lock is what counts.
  const long long locked = store::lockedBoardSize(share());
  if (locked == 0 || locked >= static_cast<long long>(store::BoardSize)) return true;
  if (locked > 0) size = static_cast<long>(locked);
  std::fprintf(stderr, "tavelin-cli %s: %s'", command, refused ? "" : "warning: ");
  writeNativePath(stderr, board);
  std::fprintf(stderr,
               "' is %ld bytes; a board file is empty or at least 192,000 bytes, so this is probably not the "
               "board (the name list?).%s\n",
               size, refused ? " Nothing was written; --force writes it anyway." : "");
  return false;
}

namespace {

// What OddLockWatch saw: whether it looked at the lock path yet, and its kind (regular until looked at).
bool lockLooked = false;
files::Kind lockKind = files::Kind::regular;

bool lockFilePath(char (&lock)[store::LockPathSize]) {
  char board[settings::PathSize + 1];
  store::sharePath(share().boardPath, board);
  return store::lockPathFor(board, sizeof board, lock) == store::LockPath::ok;
}

files::Kind kindOfLockFile() {
  char lock[store::LockPathSize];
  return lockFilePath(lock) ? files::kindOf(lock) : files::Kind::regular;
}

bool oddKind(files::Kind kind) { return kind == files::Kind::folder || kind == files::Kind::other; }

// A busy lock with no holder's name may be no lock file at all: looked at once, and a wait for what no
// PC can release is stopped.
void lockSeenBusy(const char* text) {
  if (!saysLockBusy(text) || lockLooked || share().holderName[0] != '\0') return;
  lockLooked = true;
  lockKind = kindOfLockFile();
  if (oddKind(lockKind)) __atomic_store_n(&share().cancelWait, true, __ATOMIC_RELEASE);
}

}  // namespace

OddLockWatch::OddLockWatch() : listen_(heard_, lockSeenBusy) {
  lockLooked = false;
  lockKind = files::Kind::regular;
}

bool refuseOddLockFile(const char* command) {
  lockKind = kindOfLockFile();
  return refuseOddLockSeen(command);
}

bool refuseOddLockSeen(const char* command) {
  char lock[store::LockPathSize];
  if (!oddKind(lockKind) || !lockFilePath(lock)) return false;
  std::fprintf(stderr, "tavelin-cli %s: '", command);
  writeNativePath(stderr, lock);
  std::fprintf(stderr,
               "' is %s, not a lock file: no PC can lock the board while it is there, and it is no PC's lock. "
               "Nothing was changed; rename or remove it by hand.\n",
               lockKind == files::Kind::folder ? "a folder" : "not a regular file");
  forgetStatus();
  return true;
}

bool explainBoardNotOpening(const char* command, bool writing) {
  char board[settings::PathSize + 1];
  store::sharePath(share().boardPath, board);
  errno = 0;
  files::Handle file(writing ? files::openUpdate(board) : files::openRead(board));
  if (file) return false;
  const int error = errno;
  std::fprintf(stderr, "tavelin-cli %s: cannot open the board file '", command);
  writeNativePath(stderr, board);
  std::fprintf(stderr, "' for %s: %s%s\n", writing ? "writing" : "reading", openFailureReason(board, error),
               lastStatusCode());
  forgetStatus();
  return true;
}

void reportNoLock(const char* command, bool refused) {
  std::fprintf(stderr, "tavelin-cli %s: %sno lock file can be made in ", command, refused ? "" : "warning: ");
  printFolder(stderr);
  if (refused)
    std::fprintf(stderr,
                 " (read-only, missing or unreachable), so other PCs could not be kept out. Nothing was changed; "
                 "--no-lock goes ahead without the lock.%s\n",
                 lastStatusCode());
  else
    std::fprintf(stderr, "; the board was read without the lock.%s\n", lastStatusCode());
  forgetStatus();
}

void warnLockElsewhereForOlderPcs(const char* command) {
  if (!platform::isSeparator('\\') || !platform::isSeparator('/')) return;
  char board[settings::PathSize + 1];
  store::sharePath(share().boardPath, board);
  if (!std::strchr(board, '/')) return;
  char ours[store::LockPathSize], older[store::LockPathSize], oursAlike[store::LockPathSize],
      olderAlike[store::LockPathSize];
  if (store::lockPathFor(board, sizeof board, ours) != store::LockPath::ok ||
      store::olderLockPathFor(board, sizeof board, older) != store::LockPath::ok)
    return;
  std::memcpy(oursAlike, ours, sizeof ours);
  std::memcpy(olderAlike, older, sizeof older);
  text::toBackslashes(oursAlike, sizeof oursAlike);
  text::toBackslashes(olderAlike, sizeof olderAlike);
  if (std::strcmp(oursAlike, olderAlike) == 0) return;
  std::fprintf(stderr, "tavelin-cli %s: warning: the board path '", command);
  writeNativePath(stderr, board);
  std::fputs("' has '/' in it: this PC locks '", stderr);
  writeNativePath(stderr, ours);
  std::fputs("', but older PCs cut the path at its last '\\' only and lock '", stderr);
  writeNativePath(stderr, older);
  std::fputs("', so neither keeps the other out. Write the path with '\\' only, here and in every PC's settings.\n",
             stderr);
}

}  // namespace cli

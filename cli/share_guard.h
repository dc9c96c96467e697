#pragma once
// What the commands that write (set) or delete (reset-lock) make sure of before they touch the
// share, and how they say no. --no-lock and --force are the ways past.
#include "platform/status.h"

namespace cli {

// When the board's folder is on a mount that cannot lock: reports it (naming the file system and
// the safe way to mount) and answers true.
bool refuseUnsafeMount(const char* command);

// Whether the board file is empty or at least a board image long; otherwise it is probably not a
// board (the name list given in its place), which set refuses to write (refused) and show warns
// of. A file that does not open passes: the board operation reports it as the program does.
bool boardLooksRight(const char* command, bool refused);

// Why path did not open, given the errno of the failed open: what stands there when it is no file
// (a folder, a FIFO or a device), else the system's reason in the terms an administrator acts on.
const char* openFailureReason(const char* path, int error);

// When the lock file's name beside the board holds a folder or anything but a file, no PC can
// ever lock there and nothing of it is a lock to remove: says so, naming it, and answers true.
bool refuseOddLockFile(const char* command);
// The same, for a command that waits for the lock, while one of these lives: the look is made only
// when a busy lock has no holder's name, so a PC waiting for a real lock makes no request beyond its
// tries, and the wait stops at once when the lock is no file. After the access failed,
// refuseOddLockSeen says so and answers true when that was why.
class OddLockWatch {
 public:
  OddLockWatch();
  OddLockWatch(const OddLockWatch&) = delete;
  OddLockWatch& operator=(const OddLockWatch&) = delete;

 private:
  status::Heard heard_;
  status::Listen listen_;
};
bool refuseOddLockSeen(const char* command);

// After a board access that failed: when the board file does not open (for update when writing),
// names it and the reason on stderr; returns whether that was it.
bool explainBoardNotOpening(const char* command, bool writing);

// The report when no lock file can be made where the board is. refused: the command stops (set,
// reset-lock); otherwise it went ahead and this is a warning (show).
void reportNoLock(const char* command, bool refused);

// Where both '\' and '/' separate folders, a '/' in the board path can put this PC's lock in
// another folder than older PCs', which cut at the last '\' only, so neither keeps the other out:
// warns, naming both lock files.
void warnLockElsewhereForOlderPcs(const char* command);

}  // namespace cli

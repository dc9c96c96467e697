#pragma once
// The lock file "sem.dat" beside the board file: its holder's host name, created atomically.
#include <cstddef>
#include <cstdint>

namespace store {

constexpr size_t LockPathSize = 256;
constexpr size_t HolderSize = 256;

struct Share;

enum class LockPath { ok, tooLong };
// boardPath cut at its last separator (double-byte characters skipped), then "sem.dat". A bare file
// name lives in the current folder, so its lock does too: every form of one path locks one file.
LockPath lockPathFor(const char* boardPath, size_t boardPathSize, char (&out)[LockPathSize]);
// The lock path older PCs use: boardPath cut at its last byte 0x5C, read byte by byte, then
// "\sem.dat"; "\sem.dat" after the whole path when it has no such byte.
LockPath olderLockPathFor(const char* boardPath, size_t boardPathSize, char (&out)[LockPathSize]);

// Where the older PCs' lock for this board is another file than ours (lockPathFor), that file as
// this system names it: other. The older PCs cut at the last byte 0x5C, which may be the second byte
// of a character in the board's own name (予定表.lst: 予定表sem.dat beside it). On Windows the path's
// bytes are theirs; on POSIX a UTF-8 name is read as the characters whose CP932 code ends in 0x5C.
// same: their lock is ours, or they can make none (a path without any 0x5C): nothing to take.
enum class OlderLock { same, other, tooLong };
OlderLock olderPcsLockFor(const char* boardPath, size_t boardPathSize, char (&out)[LockPathSize]);

// A quick try, made within a second while another client holds the lock, only tries the create; a
// full one also reads who holds it, at most once a second (while waiting, that read is the try).
// An unnamed try is a full one that does not read the holder after a create found the lock: for a
// save, whose message names nobody, so that each of its tries is one request (while waiting, its look
// at the holder is the try, as a full one's).
enum class LockTry { full, quick, unnamed };
// 1: go ahead (the lock is ours, or no lock file can be made here); 0: another client holds it, or a
// create failed in passing (the folder takes other new files): try again. Where the older PCs' lock
// is another file (olderPcsLockFor), both are taken, ours first, and busy when either is held.
// A board path whose lock path does not fit reports (304), beeps and answers -1: touch nothing.
int acquireLock(Share& share, LockTry how = LockTry::full);
// A waiter makes at most two requests on the lock file (creates and reads together) in any second,
// since on a share each is a round trip: the earliest moment the next acquireLock may ask (now, when
// it may at once). A try before then answers busy without asking.
uint64_t nextLockAskMs(const Share& share);
// Whether the last acquireLock found that no lock file can be made where the board is.
bool lockUnavailable(const Share& share);
// Whether this PC can create a file where the board's lock file goes: a probe file is made there and
// removed. What tells a folder that refuses the lock from a create that failed in passing.
bool canCreateLock(const Share& share);
// The folder of the board's lock file as the lock path spells it, without its last separator.
bool lockFolder(const Share& share, char (&out)[LockPathSize]);
// Forgets the holder last read (a fresh process's state).
void forgetHolder(Share& share);
// holderName for a message, without taking the lock: as last read when that was within the second,
// else read now. False when no lock file opens.
bool lookAtHolder(Share& share);
// Deletes the lock file only if this process created it in the matching acquireLock.
void releaseLock(Share& share);
// For a process that is stopping: deletes every lock file this client created and still records,
// one try each, with no message and no wait, and clears the record. Async-signal-safe on POSIX (no
// allocation, no stdio): a signal handler may call it. Another thread calls
// platform::holdLockOperations() first.
void releaseAtStop(Share& share);
// The administrator's forced removal, with its messages (ours and the older PCs' one where that is
// another file). True when a lock was there and is gone.
bool resetLock(const Share& share);

// The lock of the share's board as it stands, read without taking it: the first bytes of
// its holder's name and its age (negative when the file server's clock is ahead of this PC's).
struct LockState {
  bool present = false;  // the lock file opened
  char holder[HolderSize] = {};
  size_t holderLength = 0;
  bool aged = false;  // its age could be told
  long long ageSeconds = 0;
};
// False when the board's lock path does not fit; out then says no lock.
bool readLockState(const Share& share, LockState& out);

// Whether a lock file of ours exists (so releaseLock has something of ours to delete).
bool holdsLock(const Share& share);
// The lock file we hold, while we hold it (its creation time is the share's clock at our lock).
const char* heldLockPath(const Share& share);

}  // namespace store

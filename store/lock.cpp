#include "store/lock.h"

#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "platform/status.h"
#include "platform/system.h"
#include "store/attempts.h"
#include "store/share.h"
#include "text/bounded.h"
#include "text/waits.h"

namespace store {

namespace {

constexpr char LockName[] = "sem.dat";
constexpr int ResetAttempts = 21;
// A lock that vanishes between our create and our read was just released: try again at once, a
// few times, rather than wait a second as if it were held.
constexpr int VanishedRetries = 5;

// The holder's name is read no more often than this: a waiter needs it for its message only.
constexpr uint64_t HolderReadMs = 1000;

// Every look into the lock file lets its holder delete it meanwhile.
FILE* openLock(const char* path) { return files::openReadSharingDelete(path); }

bool opensLock(const char* path) {
  files::Handle f(openLock(path));
  return static_cast<bool>(f);
}

bool currentLockPath(const Share& share, char (&out)[LockPathSize]) {
  if (lockPathFor(share.boardPath, sizeof share.boardPath, out) == LockPath::ok) return true;
  status::showStatus("(304)排他ファイルのパスが長すぎます");
  status::beep();
  return false;
}

// Our lock was removed by someone else (an administrator's reset): it no longer opens while the
// board beside it still does. When neither opens, the share is unreachable and the lock may
// well still be there.
bool removedByOthers(const Share& share) {
  if (opensLock(share.createdPath)) return false;
  char board[SharePathSize + 1];
  sharePath(share.boardPath, board);
  return files::opens(board);
}

void readHolder(Share& share, FILE* f) {
  std::memset(share.holderName, 0, sizeof share.holderName);
  files::readBlock(share.holderName, sizeof share.holderName - 1, f);
  share.holderRead = true;
  share.holderReadAt = platform::elapsedMs();
}

bool holderReadDue(const Share& share) {
  return !share.holderRead || platform::elapsedMs() - share.holderReadAt >= HolderReadMs;
}

// At most AsksPerWindow requests on the lock file within AskWindowMs while it is held by another.
constexpr int AsksPerWindow = 2;
constexpr uint64_t AskWindowMs = 1000;
// A held lock seen this recently means we are waiting for it.
constexpr uint64_t WaitingMs = 2000;

uint64_t nextAskAt(const Share& share) {
  return share.lockAsks < AsksPerWindow ? 0 : share.lockAskedAt[0] + AskWindowMs;
}

bool mayAsk(const Share& share) { return platform::elapsedMs() >= nextAskAt(share); }

void asked(Share& share) {
  if (share.lockAsks == AsksPerWindow) share.lockAskedAt[0] = share.lockAskedAt[1];
  share.lockAskedAt[share.lockAsks < AsksPerWindow ? share.lockAsks++ : AsksPerWindow - 1] = platform::elapsedMs();
}

bool waiting(const Share& share) {
  return share.lockWaiting && share.lockAsks > 0 &&
         platform::elapsedMs() - share.lockAskedAt[share.lockAsks - 1] < WaitingMs;
}

// A waiter's look at who holds the lock, which also tells whether it is still held: one request
// where a create and a read would be two. False when the lock is gone (the create comes next).
bool stillHeld(Share& share, const char* path) {
  asked(share);
  files::Handle f(openLock(path));
  if (!f) return false;
  readHolder(share, f.get());
  return true;
}

// A probe file beside the lock path: whether this PC may create files there at all.
bool folderTakesFiles(const char* lockPath) {
  char probe[LockPathSize + 32];
  std::snprintf(probe, sizeof probe, "%s.%lu.probe", lockPath, platform::processId());
  switch (files::createExclusive(probe, "", 0)) {
    case files::Created::created: files::removeFile(probe); return true;
    case files::Created::exists: return true;  // a file was made there before, by us or a namesake
    case files::Created::failed: return false;
  }
  return false;
}

// The create and its record in one lock operation: a stop sees both or neither.
files::Created createRecorded(Share& share, const char (&path)[LockPathSize], const char* host) {
  platform::LockOperation operation;
  const files::Created made = files::createExclusive(path, host, std::strlen(host));
  if (made == files::Created::created) {
    share.lockCreated = true;
    std::memcpy(share.createdPath, path, sizeof share.createdPath);
  }
  return made;
}

// The remove and its record, likewise.
bool removeRecorded(Share& share) {
  platform::LockOperation operation;
  if (!files::removeFile(share.createdPath)) return false;
  share.lockCreated = false;
  return true;
}

void forgetCreated(Share& share) {
  platform::LockOperation operation;
  share.lockCreated = false;
}

// Where a bare file name lives: the current folder, or on Windows the drive's ("C:name").
size_t folderOfBareName(const char* boardPath, size_t length, char* out, size_t size) {
  if (platform::separator() == '\\' && length >= 2 && boardPath[1] == ':') {
    std::snprintf(out, size, "%.2s", boardPath);
    return 2;
  }
  const size_t n = platform::currentDirectory(out, size);
  if (n == 0 || n >= size) {
    out[0] = '\0';
    return 0;
  }
  return n;
}

}  // namespace

LockPath lockPathFor(const char* boardPath, size_t boardPathSize, char (&out)[LockPathSize]) {
  const size_t length = text::fieldLength(boardPath, boardPathSize);
  const size_t cut = text::lastSeparator(boardPath, length);
  bool fits;
  if (cut < length) {
    fits = text::joinPath(out, sizeof out, boardPath, cut + 1, LockName);
  } else {
    char folder[LockPathSize];
    const size_t f = folderOfBareName(boardPath, length, folder, sizeof folder);
    const bool drive = f == 2 && folder[1] == ':';
    // "C:" names the drive's current folder: "C:sem.dat" follows it, as "C:tv_cont.lst" does.
    if (f == 0 || drive) {
      const int n = std::snprintf(out, sizeof out, "%s%s", folder, LockName);
      fits = n >= 0 && static_cast<size_t>(n) < sizeof out;
    } else {
      fits = text::joinPath(out, sizeof out, folder, f, LockName);
    }
  }
  if (!fits) {
    out[0] = '\0';
    return LockPath::tooLong;
  }
  return LockPath::ok;
}

LockPath olderLockPathFor(const char* boardPath, size_t boardPathSize, char (&out)[LockPathSize]) {
  size_t cut = text::fieldLength(boardPath, boardPathSize);
  for (size_t i = cut; i > 0; --i) {
    if (boardPath[i - 1] != '\\') continue;
    cut = i - 1;
    break;
  }
  const int n = std::snprintf(out, sizeof out, "%.*s\\%s", static_cast<int>(cut), boardPath, LockName);
  if (n >= 0 && static_cast<size_t>(n) < sizeof out) return LockPath::ok;
  out[0] = '\0';
  return LockPath::tooLong;
}

namespace {

// One try: 1 ours (or none to be had here), 0 try again, -1 stop.
int tryLock(Share& share, const char (&path)[LockPathSize], LockTry how) {
  char host[HolderSize] = {};
  platform::hostName(host, sizeof host);
  host[sizeof host - 1] = '\0';

  if (how == LockTry::full && waiting(share) && holderReadDue(share) && stillHeld(share, path)) return 0;
  files::Created made = files::Created::failed;
  for (int attempt = 0; attempt < VanishedRetries; ++attempt) {
    // One atomic step: the creation fails when another client's lock is there.
    asked(share);
    if ((made = createRecorded(share, path, host)) == files::Created::created) {
      std::memcpy(share.holderName, host, sizeof share.holderName);
      share.holderRead = false;
      return 1;
    }
    // Busy, or a passing failure: a quick try leaves the looking to the next full one.
    if (how == LockTry::quick) return 0;
    // A lock that vanished under our look is tried again at once: it is not held, so not waited for.
    if (made == files::Created::exists && (!holderReadDue(share) || (attempt == 0 && !mayAsk(share)))) return 0;
    // A lock file that opens is another client's, whatever the creation reported.
    if (stillHeld(share, path)) return 0;
    if (made != files::Created::exists) break;
  }
  // Released and taken again by others faster than we could look, or a create that failed where
  // files can be made (a lock being deleted, a share's hiccup): busy, holder unknown.
  if (made == files::Created::exists || folderTakesFiles(path)) {
    std::memset(share.holderName, 0, sizeof share.holderName);
    return 0;
  }
  // No lock file can be made here (unreachable or read-only folder).
  share.lockUnavailable = true;
  return share.requireLock ? -1 : 1;
}

}  // namespace

int acquireLock(Share& share, LockTry how) {
  char path[LockPathSize];
  if (!currentLockPath(share, path)) return -1;
  share.lockCreated = false;
  share.lockUnavailable = false;
  // A waiter keeps its pace: busy, as last seen.
  if (waiting(share) && !mayAsk(share)) return 0;
  const int got = tryLock(share, path, how);
  if (got == 0) {
    share.lockWaiting = true;
  } else {
    share.lockAsks = 0;
    share.lockWaiting = false;
  }
  return got;
}

bool lockUnavailable(const Share& share) { return share.lockUnavailable; }

uint64_t nextLockAskMs(const Share& share) {
  const uint64_t now = platform::elapsedMs();
  const uint64_t at = waiting(share) ? nextAskAt(share) : 0;
  return at > now ? at : now;
}

void releaseLock(Share& share) {
  if (!share.lockCreated) return;
  for (int attempt = 1; attempt <= Attempts; ++attempt) {
    if (removeRecorded(share)) return;
    if (removedByOthers(share)) {
      forgetCreated(share);
      return;
    }
    char message[96];
    std::snprintf(message, sizeof message, "(301)排他ファイルの削除リトライ中..(%d/%d)", attempt, Attempts);
    status::showStatus(message);
    text::waitJittered(1000);
  }
  // Left to the administrator's reset, as any lock that will not go.
  forgetCreated(share);
  status::showStatus("(301)排他ファイルの削除エラー");
  status::beep();
}

void releaseAtStop(Share& share) {
  if (share.olderLockCreated) files::removeAtStop(share.olderCreatedPath);
  if (share.lockCreated) files::removeAtStop(share.createdPath);
  share.olderLockCreated = false;
  share.lockCreated = false;
}

bool resetLock(const Share& share) {
  char path[LockPathSize];
  if (!currentLockPath(share, path)) return false;
  files::Handle f(openLock(path));
  if (!f) {
    status::showStatus("(302)排他制御ファイルがありません");
    status::beep();
    return false;
  }
  f.close();
  for (int attempt = 1; attempt <= ResetAttempts; ++attempt) {
    if (files::removeFile(path)) {
      status::showStatus("(303)排他ファイルを削除しました");
      return true;
    }
    text::waitJittered(1000);
  }
  status::showStatus("(301)排他ファイルの削除エラー");
  status::beep();
  return false;
}

bool holdsLock(const Share& share) { return share.lockCreated || share.olderLockCreated; }

const char* heldLockPath(const Share& share) { return share.lockCreated ? share.createdPath : nullptr; }

bool readLockState(const Share& share, LockState& out) {
  out = LockState{};
  char board[SharePathSize + 1];
  sharePath(share.boardPath, board);
  char path[LockPathSize];
  if (lockPathFor(board, sizeof board, path) != LockPath::ok) return false;
  files::Handle file(openLock(path));
  if (!file) return true;
  out.present = true;
  out.holderLength = files::readBlock(out.holder, sizeof out.holder - 1, file.get());
  file.close();
  out.aged = files::ageSeconds(path, &out.ageSeconds);
  return true;
}

bool canCreateLock(const Share& share) {
  char board[SharePathSize + 1], lock[LockPathSize];
  sharePath(share.boardPath, board);
  return lockPathFor(board, sizeof board, lock) == LockPath::ok && folderTakesFiles(lock);
}

bool lockFolder(const Share& share, char (&out)[LockPathSize]) {
  char board[SharePathSize + 1];
  sharePath(share.boardPath, board);
  if (lockPathFor(board, sizeof board, out) != LockPath::ok) return false;
  size_t n = std::strlen(out) - (sizeof LockName - 1);
  if (n > 1 && platform::isSeparator(static_cast<unsigned char>(out[n - 1])) && out[n - 2] != ':') --n;
  if (n == 0) out[n++] = '.';
  out[n] = '\0';
  return true;
}

bool lookAtHolder(Share& share) {
  if (!holderReadDue(share)) return true;
  char path[LockPathSize];
  if (lockPathFor(share.boardPath, sizeof share.boardPath, path) != LockPath::ok) return false;
  files::Handle f(openLock(path));
  if (!f) return false;
  readHolder(share, f.get());
  return true;
}

void forgetHolder(Share& share) {
  std::memset(share.holderName, 0, sizeof share.holderName);
  share.holderRead = false;
}

}  // namespace store

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
bool removedByOthers(const Share& share, const char* path) {
  if (opensLock(path)) return false;
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

// Which of our lock files: ours, or the older PCs' one where that is another file.
struct Recorded {
  bool Share::*made;
  char (Share::*path)[LockPathSize];
};
constexpr Recorded Ours{&Share::lockCreated, &Share::createdPath};
constexpr Recorded Theirs{&Share::olderLockCreated, &Share::olderCreatedPath};

// The create and its record in one lock operation: a stop sees both or neither.
files::Created createRecorded(Share& share, Recorded which, const char (&path)[LockPathSize], const char* host) {
  platform::LockOperation operation;
  const files::Created made = files::createExclusive(path, host, std::strlen(host));
  if (made == files::Created::created) {
    share.*which.made = true;
    std::memcpy(share.*which.path, path, LockPathSize);
  }
  return made;
}

// The remove and its record, likewise.
bool removeRecorded(Share& share, Recorded which) {
  platform::LockOperation operation;
  if (!files::removeFile(share.*which.path)) return false;
  share.*which.made = false;
  return true;
}

void forgetCreated(Share& share, Recorded which) {
  platform::LockOperation operation;
  share.*which.made = false;
}

// Deletes one lock file of ours, retrying with progress as the release always has.
void releaseRecorded(Share& share, Recorded which) {
  if (!(share.*which.made)) return;
  for (int attempt = 1; attempt <= Attempts; ++attempt) {
    if (removeRecorded(share, which)) return;
    if (removedByOthers(share, share.*which.path)) {
      forgetCreated(share, which);
      return;
    }
    char message[96];
    std::snprintf(message, sizeof message, "(301)排他ファイルの削除リトライ中..(%d/%d)", attempt, Attempts);
    status::showStatus(message);
    text::waitJittered(1000);
  }
  // Left to the administrator's reset, as any lock that will not go.
  forgetCreated(share, which);
  status::showStatus("(301)排他ファイルの削除エラー");
  status::beep();
}

// Characters whose CP932 code ends in the byte 0x5C, which older PCs take for a separator.
constexpr uint16_t EndIn5C[] = {0x042B, 0x2015, 0x2168, 0x30BD, 0x4E88, 0x5046, 0x5154, 0x5341, 0x5580, 0x5642, 0x572D,
                                0x5ABE, 0x5F4C, 0x62FF, 0x66B4, 0x66FE, 0x6764, 0x69CB, 0x6B3A, 0x6B43, 0x6D6C, 0x6FEC,
                                0x72BE, 0x7533, 0x755A, 0x7821, 0x7984, 0x79C9, 0x7BAA, 0x7DB5, 0x7E8A, 0x80FD, 0x81C0,
                                0x85F9, 0x8695, 0x8868, 0x89F8, 0x8CBC, 0x8EC6, 0x9414, 0x9945, 0x9DED, 0xE01C, 0xE0D8,
                                0xE194, 0xE250, 0xE30C, 0xE3C8, 0xE484, 0xE540, 0xE5FC, 0xE6B8};

bool endsIn5C(uint32_t c) {
  for (uint16_t e : EndIn5C)
    if (e == c) return true;
  return false;
}

// One UTF-8 character of up to three bytes (CP932 has none longer) at p, n bytes left: its length, 0
// when the bytes are not one.
size_t utf8Character(const unsigned char* p, size_t n, uint32_t& c) {
  if (p[0] < 0x80) return c = p[0], 1;
  const size_t length = (p[0] & 0xE0) == 0xC0 ? 2 : (p[0] & 0xF0) == 0xE0 ? 3 : 0;
  if (length == 0 || length > n) return 0;
  c = p[0] & (length == 2 ? 0x1F : 0x0F);
  for (size_t i = 1; i < length; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    c = (c << 6) | (p[i] & 0x3F);
  }
  return c < (length == 2 ? 0x80u : 0x800u) ? 0 : length;
}

// Where older PCs cut a POSIX path's file name (from, to): after its last character whose CP932 code
// ends in 0x5C when the name is UTF-8, else after its last byte 0x5C (a name kept in CP932 bytes).
// 0 when there is none.
size_t olderCutInName(const unsigned char* p, size_t from, size_t to) {
  size_t cut = 0;
  for (size_t i = from; i < to;) {
    uint32_t c;
    const size_t n = utf8Character(p + i, to - i, c);
    if (n == 0) {
      cut = 0;
      for (size_t j = from; j < to; ++j)
        if (p[j] == 0x5C) cut = j + 1;
      return cut;
    }
    i += n;
    if (c == 0x5C || endsIn5C(c)) cut = i;
  }
  return cut;
}

bool opensLockOf(const char* path, Share& share) {
  files::Handle f(openLock(path));
  if (!f) return false;
  readHolder(share, f.get());
  return true;
}

// Older PCs test for their lock, then make it in a second step. We hold ours already (made
// exclusively, which is what keeps newer PCs from each other), so of the newer PCs one at a time
// comes here; theirs is made only where none stands (their own test) and
// exclusively, so an older PC that has made its lock keeps us out, and one that tests after our
// create finds it and keeps away. What is left is an older PC that tested before our create and
// makes its file after it, around our one step: the race older PCs have among themselves. That is
// closed too, as far as a look can close it: after longer than their two steps take, the file must
// still hold our name; if it does not, an older PC has made it over ours, and we step back.
constexpr unsigned SettleMs = 100;

int takeOlderLock(Share& share, const char (&host)[HolderSize]) {
  char older[LockPathSize];
  if (olderPcsLockFor(share.boardPath, sizeof share.boardPath, older) != OlderLock::other) return 1;
  // Busy with no name until one is read: not our own, which the create of ours put there.
  std::memset(share.holderName, 0, sizeof share.holderName);
  if (!opensLockOf(older, share)) {
    const files::Created made = createRecorded(share, Theirs, older, host);
    if (made == files::Created::created) {
      text::waitMs(SettleMs);
      char seen[HolderSize] = {};
      files::Handle f(openLock(older));
      if (f && files::readBlock(seen, sizeof seen - 1, f.get()) == std::strlen(host) && std::strcmp(seen, host) == 0) {
        std::memcpy(share.holderName, host, sizeof share.holderName);
        return 1;
      }
      f.close();
      // No longer ours: the older PC's now, to delete when it is done.
      forgetCreated(share, Theirs);
      std::memcpy(share.holderName, seen, sizeof share.holderName);
    } else if (made == files::Created::exists) {
      opensLockOf(older, share);
    }
  }
  share.olderLockBusy = true;
  releaseRecorded(share, Ours);
  return 0;
}

// While an older PC holds its lock, a look at it is the try: one request, where ours would be made
// and removed again around it.
bool olderLockStillHeld(Share& share) {
  char older[LockPathSize];
  if (olderPcsLockFor(share.boardPath, sizeof share.boardPath, older) != OlderLock::other) return false;
  asked(share);
  return opensLockOf(older, share);
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

  const bool wasWaiting = waiting(share);
  if (wasWaiting && share.olderLockBusy) {
    if (olderLockStillHeld(share)) return 0;
  } else if (how != LockTry::quick && wasWaiting && holderReadDue(share) && stillHeld(share, path)) {
    return 0;
  }
  share.olderLockBusy = false;
  files::Created made = files::Created::failed;
  for (int attempt = 0; attempt < VanishedRetries; ++attempt) {
    // One atomic step: the creation fails when another client's lock is there.
    asked(share);
    if ((made = createRecorded(share, Ours, path, host)) == files::Created::created) {
      std::memcpy(share.holderName, host, sizeof share.holderName);
      share.holderRead = false;
      return takeOlderLock(share, host);
    }
    // Busy, or a passing failure: a quick try leaves the looking to the next full one.
    if (how == LockTry::quick) return 0;
    // An unnamed try leaves the holder to its wait's next look; one named before this wait is gone.
    if (made == files::Created::exists && how == LockTry::unnamed) {
      if (!wasWaiting) std::memset(share.holderName, 0, sizeof share.holderName);
      return 0;
    }
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

OlderLock olderPcsLockFor(const char* boardPath, size_t boardPathSize, char (&out)[LockPathSize]) {
  out[0] = '\0';
  const size_t length = text::fieldLength(boardPath, boardPathSize);
  const auto* bytes = reinterpret_cast<const unsigned char*>(boardPath);
  // Paths in CP932 (Windows) are the older PCs' own bytes; a path without any 0x5C gives them a lock
  // inside the board file, which they cannot make.
  if (platform::isPathLeadByte(0x81)) {
    if (!std::memchr(boardPath, 0x5C, length)) return OlderLock::same;
    char ours[LockPathSize];
    if (olderLockPathFor(boardPath, boardPathSize, out) != LockPath::ok) return OlderLock::tooLong;
    if (lockPathFor(boardPath, boardPathSize, ours) == LockPath::ok && std::strcmp(ours, out) == 0) {
      out[0] = '\0';
      return OlderLock::same;
    }
    return OlderLock::other;
  }
  const size_t separator = text::lastSeparator(boardPath, length);
  const size_t cut = olderCutInName(bytes, separator < length ? separator + 1 : 0, length);
  if (cut == 0) return OlderLock::same;
  const int n = std::snprintf(out, sizeof out, "%.*s%s", static_cast<int>(cut), boardPath, LockName);
  if (n >= 0 && static_cast<size_t>(n) < sizeof out) return OlderLock::other;
  out[0] = '\0';
  return OlderLock::tooLong;
}

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
  releaseRecorded(share, Theirs);
  releaseRecorded(share, Ours);
}

void releaseAtStop(Share& share) {
  if (share.olderLockCreated) files::removeAtStop(share.olderCreatedPath);
  if (share.lockCreated) files::removeAtStop(share.createdPath);
  share.olderLockCreated = false;
  share.lockCreated = false;
}

bool resetLock(const Share& share) {
  char path[LockPathSize], older[LockPathSize];
  if (!currentLockPath(share, path)) return false;
  bool ours = opensLock(path);
  bool theirs = olderPcsLockFor(share.boardPath, sizeof share.boardPath, older) == OlderLock::other && opensLock(older);
  if (!ours && !theirs) {
    status::showStatus("(302)排他制御ファイルがありません");
    status::beep();
    return false;
  }
  for (int attempt = 1; attempt <= ResetAttempts; ++attempt) {
    if (ours && files::removeFile(path)) ours = false;
    if (theirs && files::removeFile(older)) theirs = false;
    if (!ours && !theirs) {
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
  // Where older PCs lock another file, theirs left behind blocks every PC just the same.
  if (!file && olderPcsLockFor(board, sizeof board, path) == OlderLock::other) file.reset(openLock(path));
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

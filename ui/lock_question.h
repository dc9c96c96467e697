#pragma once
// The lock reset's question: whose lock goes, and how long it has been there, so that a lock a dead
// PC left behind is easy to tell from one that a working PC holds for a moment.
#include <cstddef>

namespace ui {

struct LockFacts {
  bool present;        // the lock file opened
  const char* holder;  // its first bytes (up to 255), as read: anyone on the share can write them
  size_t holderLength;
  bool aged;             // its age could be told
  long long ageSeconds;  // negative: the file server's clock is ahead of this PC's
};

// The question's text in CP932: control bytes of the holder are shown as \xNN, never as themselves.
void formatResetQuestion(const LockFacts& lock, char* out, size_t size);

// A lock this old was left behind by a PC that stopped, not taken by one at work for a moment.
constexpr long long LeftBehindSeconds = 180;
bool leftBehind(const LockFacts& lock);

// The notice while an access waits for the lock (attempt of attempts), or, ended, after it gave up:
// whose lock, and for one left behind its age and what the member can do about it.
void formatWaitNotice(const LockFacts& lock, int attempt, int attempts, bool ended, char* out, size_t size);

}  // namespace ui

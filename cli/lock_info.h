#pragma once
// Who holds the board's lock and for how long, so that a lock left behind by a PC that died is
// easy to tell from one that is merely busy.
#include <cstddef>
#include <cstdio>

namespace cli {

// When the lock file beside share().boardPath exists, prints one line about it to out
// ("lock held by HOST for 2 h 5 min (since 2026-12-07 09:14)"); returns whether it exists.
bool describeLock(FILE* out, const char* prefix, const char* suffix = "");
// A holder longer than this is cut: a host name is at most 63 bytes.
constexpr size_t HolderShown = 63;

// After a board access that failed: when the lock is there, says on stderr whose it is, since when,
// and that 'tavelin-cli reset-lock' removes one left behind; returns whether it was there.
bool explainHeldLock(const char* command);

}  // namespace cli

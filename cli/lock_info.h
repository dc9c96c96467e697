#pragma once
// Who holds the board's lock and for how long, so that a lock left behind by a PC that died is
// easy to tell from one that is merely busy.
#include <cstdio>

namespace cli {

// When the lock file beside share().boardPath exists, prints one line about it to out
// ("lock held by HOST for 2 h 5 min (since 2026-12-07 09:14)"); returns whether it exists.
bool describeLock(FILE* out, const char* prefix);

// After a board access that failed: when the lock is there, says on stderr whose it is, since when,
// and that 'tavelin-cli reset-lock' removes one left behind; returns whether it was there.
bool explainHeldLock(const char* command);

}  // namespace cli

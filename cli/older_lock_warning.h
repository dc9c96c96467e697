#pragma once
// When a board's name makes older PCs lock another file than ours: one warning line on stderr.

namespace cli {

// boardPath as the C library takes it. Names the older PCs' lock file and suggests a name without
// the character that causes it; nothing when there is none.
void warnOlderLockName(const char* command, const char* boardPath);

}  // namespace cli

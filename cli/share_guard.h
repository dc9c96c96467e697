#pragma once
// What the commands that write (set) or delete (reset-lock) make sure of before they touch the
// share, and how they say no. --no-lock and --force are the ways past.

namespace cli {

// When the board's folder is on a mount that cannot lock: reports it (naming the file system and
// the safe way to mount) and answers true.
bool refuseUnsafeMount(const char* command);

// Whether the board file is empty or at least a board image long; otherwise it is probably not a
// board (the name list given in its place), which set reports and will not write. A file that
// does not open passes: the board operation reports it as the program does.
bool boardLooksRight(const char* command);

// The report when no lock file can be made where the board is. refused: the command stops (set,
// reset-lock); otherwise it went ahead and this is a warning (show).
void reportNoLock(const char* command, bool refused);

}  // namespace cli

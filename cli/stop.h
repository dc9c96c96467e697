#pragma once
// A stop asked for from outside (POSIX: SIGINT, SIGTERM, SIGHUP; Windows: Ctrl+C, Ctrl+Break, the
// console's close, logoff and shutdown) deletes the lock files the command made on its share and
// ends the process with the signal's status: a killed command leaves no lock for every PC.
// stop_posix.cpp, stop_win32.cpp.

namespace store {
struct Share;
}

namespace cli {

// Installed once, before the command touches the share.
void releaseLockOnStop(store::Share& share);

}  // namespace cli

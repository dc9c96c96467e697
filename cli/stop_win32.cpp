#include <windows.h>

#include "cli/stop.h"
#include "platform/system.h"
#include "store/lock.h"

namespace cli {

namespace {

store::Share* stoppingShare;

// The POSIX shells' 128 + signal: Ctrl+C and Ctrl+Break as SIGINT, the console's close as SIGHUP,
// logoff and shutdown as SIGTERM.
DWORD exitCodeOf(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT: return 128 + 2;
    case CTRL_CLOSE_EVENT: return 128 + 1;
    default: return 128 + 15;
  }
}

// Runs on a thread of its own: the command's lock operation in flight ends first, and none starts
// after. The process ends here, without the C runtime's exit, whose stream locks the command's
// thread may hold.
BOOL WINAPI onStop(DWORD event) {
  platform::holdLockOperations();
  store::releaseAtStop(*stoppingShare);
  TerminateProcess(GetCurrentProcess(), exitCodeOf(event));
  return TRUE;
}

}  // namespace

void releaseLockOnStop(store::Share& share) {
  stoppingShare = &share;
  SetConsoleCtrlHandler(onStop, TRUE);
}

}  // namespace cli

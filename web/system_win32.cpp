// clang-format off
#include <windows.h>
// clang-format on

#include <signal.h>

#include <cstdio>
#include <cstdlib>

#include "web/system.h"

namespace web {

namespace {

// The console's events as the stop signals the rest of serve knows: Ctrl+C and Ctrl+Break as SIGINT,
// the console's close, logoff and shutdown as SIGTERM (the share worker's stop, as on Linux).
HANDLE stopEvent = nullptr;
volatile LONG stopSignal = 0;
volatile LONG stopsSeen = 0;
volatile LONG stopsTaken = 0;

BOOL WINAPI onConsoleEvent(DWORD event) {
  const bool ending = event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
  InterlockedCompareExchange(&stopSignal, ending ? SIGTERM : SIGINT, 0);
  InterlockedIncrement(&stopsSeen);
  SetEvent(stopEvent);
  // The system ends the process as soon as this returns from a close, logoff or shutdown: the stop
  // (the write under way, our lock let go) is waited for here; serve ends the process itself.
  if (ending) Sleep(INFINITE);
  return TRUE;
}

}  // namespace

int prepareProcess() {
  stopEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
  // The C library's streams are what limit open files here, not sockets: Winsock has no such cap.
  return 16384;
}

int waitForStop() {
  WaitForSingleObject(stopEvent, INFINITE);
  InterlockedIncrement(&stopsTaken);
  return static_cast<int>(stopSignal);
}

int anotherStop() {
  if (stopsSeen <= stopsTaken) return 0;
  InterlockedIncrement(&stopsTaken);
  return SIGINT;
}

void endWithSignal(int) {
  std::fflush(stderr);
  // What a console program stopped by Ctrl+C ends with.
  ExitProcess(STATUS_CONTROL_C_EXIT);
}

}  // namespace web

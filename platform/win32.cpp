#include <winsock2.h>
#include <windows.h>
// timeBeginPeriod; after windows.h, whose types it needs.
#include <mmsystem.h>

#include <ctime>

#include "platform/system.h"

namespace platform {

namespace {
// Winsock is started on first use and left to the process's end: gethostname fails without it,
// and a lock file would then name nobody. Whoever asks for the host name need not know.
bool startWinsock() {
  WSADATA data;
  return WSAStartup(MAKEWORD(1, 1), &data) == 0;
}
}  // namespace

int hostName(char* out, size_t size) {
  static const bool started = startWinsock();
  (void)started;
  return gethostname(out, static_cast<int>(size));
}

// The performance counter, not GetTickCount64: retry waits are judged to the millisecond.
uint64_t elapsedMs() {
  static LARGE_INTEGER frequency, start;
  static const bool ready = QueryPerformanceFrequency(&frequency) && QueryPerformanceCounter(&start);
  LARGE_INTEGER now;
  if (!ready || !QueryPerformanceCounter(&now)) return GetTickCount64();
  return static_cast<uint64_t>((now.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart);
}

// Sleep rounds up to the timer tick (15.6 ms by default), so a one-second retry wait made of short
// slices would run well past its length; a 1 ms period for the length of the sleep keeps it exact.
void sleepMs(unsigned ms) {
  timeBeginPeriod(1);
  Sleep(ms);
  timeEndPeriod(1);
}

void localNow(std::tm* out) {
  std::time_t now = std::time(nullptr);
  const std::tm* t = std::localtime(&now);
  if (t) *out = *t;
}

size_t currentDirectory(char* out, size_t size) { return GetCurrentDirectoryA(static_cast<DWORD>(size), out); }

size_t windowsDirectory(char* out, size_t size) { return GetWindowsDirectoryA(out, static_cast<UINT>(size)); }

void prepareWindowsDirectory() {}

char separator() { return '\\'; }

bool isSeparator(unsigned char b) { return b == '\\' || b == '/'; }

unsigned long processId() { return GetCurrentProcessId(); }

}  // namespace platform

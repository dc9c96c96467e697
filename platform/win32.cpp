// winsock2.h brings windows.h in after itself; windows.h first would bring in the older winsock.h.
#include <winsock2.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/system.h"
#include "platform/system_library.h"

namespace platform {

namespace {
// Winsock is loaded and started on first use (the first lock, on the share's thread) and left to the
// process's end: linked, ws2_32 and what it brings would load before the window's start. gethostname
// fails without the start, and a lock file would then name nobody. Whoever asks need not know.
bool startWinsock() {
  static const auto start = systemFunction<decltype(&WSAStartup)>("ws2_32.dll", "WSAStartup");
  WSADATA data;
  return start && start(MAKEWORD(1, 1), &data) == 0;
}
}  // namespace

int hostName(char* out, size_t size) {
  static const bool started = startWinsock();
  static const auto name = systemFunction<decltype(&gethostname)>("ws2_32.dll", "gethostname");
  if (!started || !name) return -1;
  return name(out, static_cast<int>(size));
}

// The performance counter, not GetTickCount64: retry waits are judged to the millisecond.
uint64_t elapsedMs() {
  static LARGE_INTEGER frequency, start;
  static const bool ready = QueryPerformanceFrequency(&frequency) && QueryPerformanceCounter(&start);
  LARGE_INTEGER now;
  if (!ready || !QueryPerformanceCounter(&now)) return GetTickCount64();
  return static_cast<uint64_t>((now.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart);
}

// Share access runs on the window's worker thread and in the CLI, neither of which has windows, so a
// wait between retries is a plain sleep. Sleep rounds up to the timer tick (15.6 ms by default); a 1 ms
// period keeps the short slices exact.
void sleepMs(unsigned ms) {
  using TimerPeriodFn = UINT(WINAPI*)(UINT);
  static const auto begin = systemFunction<TimerPeriodFn>("winmm.dll", "timeBeginPeriod");
  static const auto end = systemFunction<TimerPeriodFn>("winmm.dll", "timeEndPeriod");
  if (begin) begin(1);
  Sleep(ms);
  if (end) end(1);
}

namespace {
std::atomic<long long> clockShift{0};
}  // namespace

void shiftClock(long long seconds) { clockShift.store(seconds); }

void localNow(std::tm* out) {
  std::time_t now = std::time(nullptr) + static_cast<std::time_t>(clockShift.load());
  const std::tm* t = std::localtime(&now);
  if (t) *out = *t;
}

size_t currentDirectory(char* out, size_t size) { return GetCurrentDirectoryA(static_cast<DWORD>(size), out); }

size_t windowsDirectory(char* out, size_t size) { return GetWindowsDirectoryA(out, static_cast<UINT>(size)); }

namespace {
// An environment folder with a tail joined on; the usual return convention.
size_t folderUnder(const char* variable, const char* tail, char* out, size_t size) {
  char base[MAX_PATH];
  const DWORD n = GetEnvironmentVariableA(variable, base, sizeof base);
  if (n == 0 || n >= sizeof base) return 0;
  char joined[MAX_PATH * 2];
  const int m = std::snprintf(joined, sizeof joined, "%s%s", base, tail);
  if (m < 0 || static_cast<size_t>(m) >= sizeof joined) return 0;
  if (static_cast<size_t>(m) + 1 > size) return static_cast<size_t>(m) + 1;
  std::memcpy(out, joined, static_cast<size_t>(m) + 1);
  return static_cast<size_t>(m);
}
}  // namespace

// C:\Windows is mirrored as %LOCALAPPDATA%\VirtualStore\Windows: the path without its drive.
size_t virtualStoreDirectory(char* out, size_t size) {
  char windows[MAX_PATH];
  const UINT n = GetWindowsDirectoryA(windows, sizeof windows);
  if (n < 3 || n >= sizeof windows || windows[1] != ':') return 0;
  char tail[MAX_PATH + 16];
  std::snprintf(tail, sizeof tail, "\\VirtualStore%s", windows + 2);
  return folderUnder("LOCALAPPDATA", tail, out, size);
}

size_t userDirectory(char* out, size_t size) { return folderUnder("APPDATA", "\\Tavelin", out, size); }

void prepareUserDirectory() {
  char dir[MAX_PATH];
  const size_t n = userDirectory(dir, sizeof dir);
  if (n > 0 && n < sizeof dir) CreateDirectoryA(dir, nullptr);
}

char separator() { return '\\'; }

bool isSeparator(unsigned char b) { return b == '\\' || b == '/'; }

// The program's paths are CP932, the code page of its texts and of every PC in the office, whatever
// the code page this PC runs.
bool isPathLeadByte(unsigned char b) { return IsDBCSLeadByteEx(932, b) != FALSE; }

unsigned long processId() { return GetCurrentProcessId(); }

HMODULE systemLibrary(const char* name) {
  char path[MAX_PATH];
  const UINT n = GetSystemDirectoryA(path, sizeof path);
  if (n == 0 || n >= sizeof path) return nullptr;
  const int written = std::snprintf(path + n, sizeof path - n, "\\%s", name);
  if (written < 0 || static_cast<size_t>(written) >= sizeof path - n) return nullptr;
  return LoadLibraryA(path);
}

}  // namespace platform

#pragma once
// What the core asks of the operating system besides stream files. One implementation per build
// (posix.cpp or win32.cpp); the tests link a fake with a virtual clock instead.
#include <cstddef>
#include <cstdint>
#include <ctime>

namespace platform {

// gethostname semantics: fills out (size bytes), 0 on success.
int hostName(char* out, size_t size);

// Milliseconds of wall-clock time elapsed since an arbitrary fixed moment (process start).
uint64_t elapsedMs();

// Waits about ms milliseconds. Only threads without windows wait on the share (the window's worker, the
// CLI), so nothing is dispatched meanwhile.
void sleepMs(unsigned ms);

// The broken-down local time of now.
void localNow(std::tm* out);
// The GUI tests' build of the window only: localNow runs this many seconds off the system's clock, so a
// case can show the window a time of day of its choosing.
void shiftClock(long long seconds);

// GetCurrentDirectoryA semantics: the length written without the NUL, 0 on failure, or the size
// needed (with the NUL) when out is too small.
size_t currentDirectory(char* out, size_t size);

// GetWindowsDirectoryA on Windows; none (0) on POSIX. Same return convention as above.
size_t windowsDirectory(char* out, size_t size);

// Where an older 32-bit program's writes to the Windows directory went for a standard user
// (%LOCALAPPDATA%\VirtualStore\Windows); none (0) on POSIX.
size_t virtualStoreDirectory(char* out, size_t size);

// The user's own folder for the local records: %APPDATA%\Tavelin on Windows, $XDG_CONFIG_HOME/tavelin
// or ~/.config/tavelin on POSIX. Same return convention as above.
size_t userDirectory(char* out, size_t size);

// Creates the user's folder if it is missing.
void prepareUserDirectory();

// The separator the local and lock paths use: '\\' on Windows, '/' on POSIX.
char separator();

// Whether a byte separates folders in a path: '\\' and '/' on Windows, '/' on POSIX.
bool isSeparator(unsigned char b);

// Whether b starts a double-byte character in this system's paths, so the byte after it is no
// separator: CP932 lead bytes on Windows (表 is 0x95 0x5C); none on POSIX, where a path is bytes and
// no UTF-8 or CP932 character holds a '/'.
bool isPathLeadByte(unsigned char b);

// This process's id: two processes started in the same second still draw different spreads.
unsigned long processId();

// Held across a lock file's create or remove together with the share's record of it, so that a stop
// never finds a lock made but not recorded, or removed but still recorded. POSIX: SIGINT, SIGTERM and
// SIGHUP wait until it ends; Windows: one process-wide critical section. Operations may nest.
// (lock_operation_posix.cpp, lock_operation_win32.cpp: every build links one, the tests' too.)
class LockOperation {
 public:
  LockOperation();
  ~LockOperation();
  LockOperation(const LockOperation&) = delete;
  LockOperation& operator=(const LockOperation&) = delete;
};

// For a stop on another thread (a console handler, the window's close, serve's stop): waits until no
// LockOperation is in flight and keeps new ones from starting for the rest of the process (they wait
// for ever: the process is about to end). A signal handler need not call it: signals wait for the
// operation's end.
void holdLockOperations();

}  // namespace platform

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/system.h"

namespace platform {

namespace {
const auto processStart = std::chrono::steady_clock::now();

size_t copyOut(const char* text, char* out, size_t size) {
  size_t n = std::strlen(text);
  if (n + 1 > size) return n + 1;
  std::memcpy(out, text, n + 1);
  return n;
}

// $XDG_CONFIG_HOME/tavelin, else $HOME/.config/tavelin; empty when neither is set.
size_t configDirectory(char* out, size_t size) {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  char buf[4096];
  int n;
  if (xdg && *xdg)
    n = std::snprintf(buf, sizeof buf, "%s/tavelin", xdg);
  else if (home && *home)
    n = std::snprintf(buf, sizeof buf, "%s/.config/tavelin", home);
  else
    return 0;
  if (n < 0 || static_cast<size_t>(n) >= sizeof buf) return 0;
  return copyOut(buf, out, size);
}

void makeDirectories(char* path) {
  for (char* p = path + 1; *p; ++p) {
    if (*p != '/') continue;
    *p = '\0';
    mkdir(path, 0777);
    *p = '/';
  }
  mkdir(path, 0777);
}
}  // namespace

int hostName(char* out, size_t size) { return gethostname(out, size); }

uint64_t elapsedMs() {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - processStart).count());
}

void sleepMs(unsigned ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

namespace {
std::atomic<long long> clockShift{0};
}  // namespace

void shiftClock(long long seconds) { clockShift.store(seconds); }

void localNow(std::tm* out) {
  std::time_t now = std::time(nullptr) + static_cast<std::time_t>(clockShift.load());
  localtime_r(&now, out);
}

size_t currentDirectory(char* out, size_t size) {
  char buf[4096];
  if (!getcwd(buf, sizeof buf)) return 0;
  return copyOut(buf, out, size);
}

size_t windowsDirectory(char*, size_t) { return 0; }

size_t virtualStoreDirectory(char*, size_t) { return 0; }

size_t userDirectory(char* out, size_t size) { return configDirectory(out, size); }

void prepareUserDirectory() {
  char dir[4096];
  size_t n = configDirectory(dir, sizeof dir);
  if (n == 0 || n >= sizeof dir) return;
  makeDirectories(dir);
}

char separator() { return '/'; }

bool isSeparator(unsigned char b) { return b == '/'; }

bool isPathLeadByte(unsigned char) { return false; }

unsigned long processId() { return static_cast<unsigned long>(getpid()); }

}  // namespace platform

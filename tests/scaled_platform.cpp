// A platform whose clock runs a hundred times faster than real time: retry waits of a second take
// ten milliseconds, so many real processes can contend for one board in a test's time while the
// proportions of lock holding and waiting stay as in an office.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>

#include "platform/system.h"

namespace platform {

namespace {
// TAVELIN_CLOCK_SCALE overrides the factor: a benchmark of hundreds of processes on two cores runs
// slower, so that the processor's own time does not swamp the office's.
int scaleFromEnvironment() {
  const char* text = std::getenv("TAVELIN_CLOCK_SCALE");
  const int n = text ? std::atoi(text) : 0;
  return n > 0 ? n : 100;
}
const int Scale = scaleFromEnvironment();
const auto start = std::chrono::steady_clock::now();
}  // namespace

int clockScale() { return Scale; }

int hostName(char* out, size_t size) {
  std::snprintf(out, size, "STRESS%d", static_cast<int>(getpid()));
  return 0;
}

uint64_t elapsedMs() {
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
  return static_cast<uint64_t>(us.count()) * Scale / 1000;
}

void sleepMs(unsigned ms) { std::this_thread::sleep_for(std::chrono::microseconds(ms * 1000 / Scale)); }

void localNow(std::tm* out) {
  std::time_t now = std::time(nullptr);
  localtime_r(&now, out);
}

size_t currentDirectory(char*, size_t) { return 0; }
size_t windowsDirectory(char*, size_t) { return 0; }
size_t virtualStoreDirectory(char*, size_t) { return 0; }
size_t userDirectory(char*, size_t) { return 0; }
void prepareUserDirectory() {}
char separator() { return '/'; }
bool isSeparator(unsigned char b) { return b == '/'; }
bool isPathLeadByte(unsigned char) { return false; }
unsigned long processId() { return static_cast<unsigned long>(getpid()); }

}  // namespace platform

#include "text/waits.h"

#include <cstdio>
#include <ctime>

#include "platform/system.h"

namespace text {

char statusInfoText[StatusInfoSize];

namespace {
constexpr unsigned SliceMs = 10;
uint32_t spreadState;

// A 32-bit mix (splitmix-style) so that seeds one apart start far apart.
uint32_t mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return static_cast<uint32_t>(x ^ (x >> 31));
}
}  // namespace

void seedSpread(uint32_t seed) { spreadState = seed; }

unsigned spreadMs(unsigned range) {
  if (spreadState == 0) {
    const uint64_t t = static_cast<uint64_t>(std::time(nullptr));
    spreadState = mix(t ^ (static_cast<uint64_t>(platform::processId()) << 32) ^ platform::elapsedMs()) | 1u;
  }
  // xorshift32: small, and good enough to keep clients apart.
  spreadState ^= spreadState << 13;
  spreadState ^= spreadState >> 17;
  spreadState ^= spreadState << 5;
  return range ? spreadState % range : 0;
}

void waitMs(unsigned ms) {
  const uint64_t start = platform::elapsedMs();
  for (;;) {
    const uint64_t passed = platform::elapsedMs() - start;
    if (passed >= ms) return;
    const uint64_t left = ms - passed;
    platform::sleepMs(static_cast<unsigned>(left < SliceMs ? left : SliceMs));
  }
}

void waitJittered(unsigned ms) { waitMs(ms + spreadMs(50)); }

unsigned timerPeriodMs(int minutes) {
  return spreadMs(3000) + static_cast<unsigned>(minutes) * 60000u;
}

int twoDigitYear(const std::tm& t) {
  int year = t.tm_year;
  while (year > 99) year -= 100;
  return year;
}

void formatWrittenAt(char* out, size_t size, const std::tm& t) {
  std::snprintf(out, size, "%02d/%02d/%02d %02d:%02d", twoDigitYear(t), t.tm_mon + 1, t.tm_mday, t.tm_hour,
                t.tm_min);
}

void formatWrittenAt(char (&out)[WrittenAtSize]) {
  std::tm now{};
  platform::localNow(&now);
  formatWrittenAt(out, sizeof out, now);
}

void formatStatusInfo(const std::tm& t) {
  const int year = twoDigitYear(t);
  std::snprintf(statusInfoText, sizeof statusInfoText, "%s%02d/%02d/%02d %2d:%02dの情報", year >= 50 ? "19" : "20",
                year, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min);
}

void formatStatusInfo() {
  std::tm now{};
  platform::localNow(&now);
  formatStatusInfo(now);
}

}  // namespace text

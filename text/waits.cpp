#include "text/waits.h"

#include <ctime>

#include "platform/system.h"

namespace text {

namespace {
constexpr unsigned SliceMs = 10;
// Each thread draws its own spread (the window's and its share worker's), so none races another's state.
thread_local uint32_t spreadState;

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

unsigned timerPeriodMs(int minutes) { return spreadMs(3000) + static_cast<unsigned>(minutes) * 60000u; }

}  // namespace text

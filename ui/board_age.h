#pragma once
// When the board on screen can no longer be trusted: the last good read is older than two refresh
// intervals. Age is measured two ways, since a PC that slept missed its timer's ticks and a timer
// that ticks on time outruns a clock read in whole minutes.

namespace ui {

struct BoardAge {
  unsigned long long sinceReadMs;  // since the last good read (or the start, before any)
  int periodsSinceRead;            // the refresh timer's ticks since then
};

// One refresh interval at its longest: the minutes and the timer's spread of up to three seconds.
constexpr unsigned long long intervalMs(int refreshMinutes) {
  return static_cast<unsigned long long>(refreshMinutes) * 60000ULL + 3000ULL;
}

// Without an automatic refresh (0 minutes) no age is too old: the user refreshes by hand.
constexpr bool boardLooksOld(const BoardAge& age, int refreshMinutes) {
  return refreshMinutes > 0 && (age.periodsSinceRead >= 2 || age.sinceReadMs > 2 * intervalMs(refreshMinutes));
}

}  // namespace ui

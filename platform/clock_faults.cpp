// The GUI tests' build of the window: TAVELIN_FAULT_CLOCK="HH:MM" starts its clock at that time of
// today, from where it runs on, so a case sees how the window reads return times at a time it chooses.
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/system.h"

namespace {

bool shiftFromEnvironment() {
  const char* text = std::getenv("TAVELIN_FAULT_CLOCK");
  int hour = 0, minute = 0;
  if (!text || std::sscanf(text, "%2d:%2d", &hour, &minute) != 2 || hour < 0 || hour > 23 || minute < 0 || minute > 59)
    return false;
  std::tm now = {};
  platform::localNow(&now);
  const long long seconds = ((hour - now.tm_hour) * 60LL + (minute - now.tm_min)) * 60 - now.tm_sec;
  platform::shiftClock(seconds);
  return true;
}

// Before WinMain: the first time the window shows is already the chosen one.
const bool shifted = shiftFromEnvironment();

}  // namespace

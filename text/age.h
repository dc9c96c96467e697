#pragma once
// How old something is, in words: a lock's age for the administrator.
#include <cstddef>

namespace text {

// An age in its two largest units ("3 h 5 min"), in the words given: each a format of our own with
// one number (seconds, minutes, whole hours, whole days) or two (hours and minutes, days and hours).
// A smaller unit of 0 is left out ("4 h", not "4 h 0 min").
struct AgeWords {
  const char* seconds;
  const char* minutes;
  const char* hoursMinutes;
  const char* daysHours;
  const char* hours;
  const char* days;
};
void formatAge(long long seconds, const AgeWords& words, char* out, size_t size);

}  // namespace text

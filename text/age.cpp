#include "text/age.h"

#include <cstdio>

namespace text {

void formatAge(long long s, const AgeWords& words, char* out, size_t size) {
  if (s < 60)
    std::snprintf(out, size, words.seconds, s);
  else if (s < 3600)
    std::snprintf(out, size, words.minutes, s / 60);
  else if (s < 86400 && s / 60 % 60 == 0)
    std::snprintf(out, size, words.hours, s / 3600);
  else if (s < 86400)
    std::snprintf(out, size, words.hoursMinutes, s / 3600, s / 60 % 60);
  else if (s / 3600 % 24 == 0)
    std::snprintf(out, size, words.days, s / 86400);
  else
    std::snprintf(out, size, words.daysHours, s / 86400, s / 3600 % 24);
}

}  // namespace text

#include "text/timestamps.h"

#include <cstdio>

#include "platform/system.h"

namespace text {

int twoDigitYear(const std::tm& t) {
  int year = t.tm_year;
  while (year > 99) year -= 100;
  return year;
}

void formatWrittenAt(char* out, size_t size, const std::tm& t) {
  std::snprintf(out, size, "%02d/%02d/%02d %02d:%02d", twoDigitYear(t), t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min);
}

void formatWrittenAt(char (&out)[WrittenAtSize]) {
  std::tm now{};
  platform::localNow(&now);
  formatWrittenAt(out, sizeof out, now);
}

void formatStatusInfo(char (&out)[StatusInfoSize], const std::tm& t) {
  const int year = twoDigitYear(t);
  std::snprintf(out, sizeof out, "%s%02d/%02d/%02d %2d:%02dの情報", year >= 50 ? "19" : "20", year, t.tm_mon + 1,
                t.tm_mday, t.tm_hour, t.tm_min);
}

void formatStatusInfo(char (&out)[StatusInfoSize]) {
  std::tm now{};
  platform::localNow(&now);
  formatStatusInfo(out, now);
}

}  // namespace text

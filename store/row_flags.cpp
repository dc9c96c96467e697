#include "store/row_flags.h"

#include <cstring>

#include "text/fold.h"
#include "text/timestamps.h"

namespace store {

namespace {

constexpr char OutReturning[] = "外出・戻り";

struct Day {
  int year, month, day;  // two-digit year, as the time written has it
};

bool digits(const char* p, int count, int& out) {
  out = 0;
  for (int i = 0; i < count; ++i) {
    if (p[i] < '0' || p[i] > '9') return false;
    out = out * 10 + (p[i] - '0');
  }
  return true;
}

// "YY/MM/DD HH:MM", as the row write stamps it.
bool dayWritten(const BoardImage& image, int slot, Day& out) {
  char written[WrittenSize + 1];
  fieldTextOf(image, slot, Field::writtenAt, written, sizeof written);
  return std::strlen(written) >= 8 && written[2] == '/' && written[5] == '/' && digits(written, 2, out.year) &&
         digits(written + 3, 2, out.month) && digits(written + 6, 2, out.day);
}

// Compares two days of the same two-digit century window: negative when a is before b.
int compareDays(const Day& a, const Day& b) {
  if (a.year != b.year) return a.year - b.year;
  if (a.month != b.month) return a.month - b.month;
  return a.day - b.day;
}

Day today(const std::tm& now) { return Day{text::twoDigitYear(now), now.tm_mon + 1, now.tm_mday}; }

bool rowHasTextOf(const BoardImage& image, int slot) {
  for (int f = 0; f < FieldCount; ++f)
    if (fieldBytesOf(image, slot, static_cast<Field>(f))[0] != '\0') return true;
  return false;
}

// Minutes after midnight of "H:MM" or "HH:MM" (hours 0 to 24), after folding; -1 for anything else.
int returnMinutes(const BoardImage& image, int slot) {
  char text[ReturnTimeSize + 1];
  fieldTextOf(image, slot, Field::returnTime, text, sizeof text);
  text::foldFullWidth(text);
  const size_t n = std::strlen(text);
  int hours, minutes;
  if (n == 4 && text[1] == ':' && digits(text, 1, hours) && digits(text + 2, 2, minutes)) {
  } else if (n == 5 && text[2] == ':' && digits(text, 2, hours) && digits(text + 3, 2, minutes)) {
  } else {
    return -1;
  }
  if (hours > 24 || minutes > 59) return -1;
  return hours * 60 + minutes;
}

}  // namespace

bool isStale(const BoardImage& image, int slot, const std::tm& now) {
  Day written;
  return rowHasTextOf(image, slot) && dayWritten(image, slot, written) && compareDays(written, today(now)) < 0;
}

bool isOverdue(const BoardImage& image, int slot, const std::tm& now) {
  char state[StateSize + 1];
  fieldTextOf(image, slot, Field::state, state, sizeof state);
  Day written;
  if (std::strcmp(state, OutReturning) != 0 || !dayWritten(image, slot, written) ||
      compareDays(written, today(now)) != 0)
    return false;
  const int back = returnMinutes(image, slot);
  return back >= 0 && back < now.tm_hour * 60 + now.tm_min;
}

}  // namespace store

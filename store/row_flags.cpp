#include "store/row_flags.h"

#include <cstring>

#include "store/row_words.h"
#include "text/fold.h"
#include "text/timestamps.h"

namespace store {

namespace {

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

// Up to two digits at p into out; how many were read.
int leadingNumber(const char* p, int& out) {
  int n = 0;
  out = 0;
  while (n < 2 && p[n] >= '0' && p[n] <= '9') out = out * 10 + (p[n++] - '0');
  return n;
}

bool startsWith(const char* p, const char* word, const char*& after) {
  const size_t n = std::strlen(word);
  if (std::strncmp(p, word, n) != 0) return false;
  after = p + n;
  return true;
}

// The forms members type: "H:MM" and "HH:MM", "4時", "4時30分", "4時半", and "HMM" or "HHMM" ("0400");
// hours 0 to 24, after folding and without the spaces around. -1 for anything else.
int clockMinutes(const char* text) {
  int hours = 0, minutes = 0;
  const char* p = text;
  const int hourDigits = leadingNumber(p, hours);
  p += hourDigits;
  const char* after = nullptr;
  if (hourDigits == 0) return -1;
  if (*p == ':') {
    if (!digits(p + 1, 2, minutes) || p[3] != '\0') return -1;
  } else if (startsWith(p, "時", after)) {
    if (startsWith(after, "半", p)) {
      minutes = 30;
    } else if (const int minuteDigits = leadingNumber(after, minutes)) {
      if (!startsWith(after + minuteDigits, "分", p)) return -1;
    } else {
      p = after;
    }
    if (*p != '\0') return -1;
  } else {
    const size_t n = std::strlen(text);
    if ((n != 3 && n != 4) || !digits(text, static_cast<int>(n), hours)) return -1;
    minutes = hours % 100;
    hours /= 100;
  }
  if (hours > 24 || minutes > 59 || (hours == 24 && minutes > 0)) return -1;
  return hours * 60 + minutes;
}

}  // namespace

// 午前 and 午後 say which half of the day; without them 1 to 7 o'clock is the afternoon, as nobody in an
// office comes back at 4 in the morning.
int returnTimeMinutes(const char* folded) {
  const char* rest = nullptr;
  if (startsWith(folded, "午前", rest)) {
    const int at = clockMinutes(rest);
    return at >= 0 && at <= 12 * 60 ? at : -1;
  }
  if (startsWith(folded, "午後", rest)) {
    const int at = clockMinutes(rest);
    return at >= 0 && at < 12 * 60 ? at + 12 * 60 : -1;
  }
  const int at = clockMinutes(folded);
  return at >= 60 && at < 8 * 60 ? at + 12 * 60 : at;
}

namespace {

// The row's return time in minutes after midnight, or -1.
int returnMinutes(const BoardImage& image, int slot) {
  char text[ReturnTimeSize + 1];
  fieldTextOf(image, slot, Field::returnTime, text, sizeof text);
  text::foldFullWidth(text);
  text::trimSpaces(text);
  return returnTimeMinutes(text);
}

}  // namespace

bool isStale(const BoardImage& image, int slot, const std::tm& now) {
  Day written;
  return rowHasText(image, slot) && dayWritten(image, slot, written) && compareDays(written, today(now)) < 0;
}

bool isOverdue(const BoardImage& image, int slot, const std::tm& now) {
  Day written;
  if (stateOfRow(image, slot) != ReturningState || !dayWritten(image, slot, written) ||
      compareDays(written, today(now)) != 0)
    return false;
  const int back = returnMinutes(image, slot);
  return back >= 0 && back < now.tm_hour * 60 + now.tm_min;
}

namespace {

// Home, or out and going straight home, written today: not back before tomorrow.
bool isGoneForTheDay(const BoardImage& image, int slot, const std::tm& now) {
  const State state = stateOfRow(image, slot);
  Day written;
  return (state == State::home || state == State::outGoingHome) && dayWritten(image, slot, written) &&
         compareDays(written, today(now)) == 0;
}

const FlagRule Flags[] = {
    {"overdue", isOverdue},
    {"stale", isStale},
    {"gone", isGoneForTheDay},
};
constexpr int FlagCount = sizeof Flags / sizeof Flags[0];
static_assert(FlagCount <= 8, "a bit each in flagsOf");

}  // namespace

const FlagRule* flagRules(int& count) {
  count = FlagCount;
  return Flags;
}

unsigned char flagsOf(const BoardImage& image, int slot, const std::tm& now) {
  unsigned bits = 0;
  for (int i = 0; i < FlagCount; ++i)
    if (Flags[i].holds(image, slot, now)) bits |= 1u << i;
  return static_cast<unsigned char>(bits);
}

}  // namespace store

#pragma once
// Blocking waits between retries, the random spread of waits and timers, and the two timestamp texts.
#include <cstddef>
#include <cstdint>
#include <ctime>

namespace text {

// Blocks until the elapsed-time clock has advanced by ms. Sleeps in short slices rather than
// spinning: the caller still sees a frozen window for the same time, but no core is burnt.
void waitMs(unsigned ms);

// waitMs(ms + 0..49): the spread keeps clients that collided from colliding again.
void waitJittered(unsigned ms);

// A draw of 0..range-1 for the spread. The generator seeds itself on first use from the time and
// the process id, so processes started in the same second do not wait in step.
unsigned spreadMs(unsigned range);
// 0: seed anew on the next draw (a fresh process); anything else: a fixed sequence (tests).
void seedSpread(uint32_t seed);

// Period of the refresh timer: minutes plus up to three seconds of spread, drawn at each arming.
unsigned timerPeriodMs(int minutes);

// Years since 1900, reduced by 100 while above 99: 1999 gives 99, 2002 gives 2.
int twoDigitYear(const std::tm& t);

constexpr size_t WrittenAtSize = 256;
constexpr size_t StatusInfoSize = 64;

// "%02d/%02d/%02d %02d:%02d": two-digit year, month, day, hour, minute.
void formatWrittenAt(char* out, size_t size, const std::tm& t);
void formatWrittenAt(char (&out)[WrittenAtSize]);  // of now

// The time of the last board access, shown in part 1 of the status line.
extern char statusInfoText[StatusInfoSize];
void formatStatusInfo(const std::tm& t);
void formatStatusInfo();  // of now

}  // namespace text

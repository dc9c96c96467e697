#pragma once
// The two texts of time: the time written into a row, and the status line's time of the last good read.
#include <cstddef>
#include <ctime>

namespace text {

// Years since 1900, reduced by 100 while above 99: 1999 gives 99, 2002 gives 2.
int twoDigitYear(const std::tm& t);

constexpr size_t WrittenAtSize = 256;
constexpr size_t StatusInfoSize = 64;

// "%02d/%02d/%02d %02d:%02d": two-digit year, month, day, hour, minute.
void formatWrittenAt(char* out, size_t size, const std::tm& t);
void formatWrittenAt(char (&out)[WrittenAtSize]);  // of now

// The time of the last board access, shown in the status line's time part.
void formatStatusInfo(char (&out)[StatusInfoSize], const std::tm& t);
void formatStatusInfo(char (&out)[StatusInfoSize]);  // of now

}  // namespace text

#pragma once
// The texts of a row as the entry dialog would pass them, and picking the member to write.
#include <cstddef>

namespace cli {

// The most bytes the dialog reads from each field (one less than the board field holds).
constexpr size_t MorningLimit = 118;
constexpr size_t AfternoonLimit = 118;
constexpr size_t ReturnLimit = 62;
constexpr size_t StateLimit = 14;

enum class TextCheck { ok, tooLong, notCp932, control };

// A UTF-8 argument as the CP932 text the dialog would have passed: at most limit bytes, and no
// control character (C0, DEL, C1), which every PC would show raw. out must hold limit + 1 bytes.
TextCheck dialogText(const char* utf8, size_t limit, char* out, size_t outSize);

// The field's current text (bounded by fieldSize) as the dialog would read it back: at most limit
// bytes, cut before a double-byte character that would not fit whole.
void currentText(const char* field, size_t fieldSize, size_t limit, char* out, size_t outSize);

// Slots whose display name equals name exactly (CP932); the count of matches, of which the first
// maxMatches are stored.
int matchMembers(const char* name, int* matches, int maxMatches);

}  // namespace cli

#pragma once
// The texts of a row as the entry dialog would pass them: every front end that writes a row (the
// CLI's set, the web page's edits, the window's dialog) checks and reads back its texts the same way.
// Each field's limit is the caller's (store/row_words.h).
#include <cstddef>

namespace text {

enum class TextCheck { ok, tooLong, notCp932, control };

// A UTF-8 text as the CP932 text the dialog would have passed: at most limit bytes, and no control
// character (C0, DEL, C1), which every PC would show raw. out must hold limit + 1 bytes.
// On notCp932, refusedAt (when given) gets the offset of the character refused.
TextCheck dialogText(const char* utf8, size_t limit, char* out, size_t outSize, size_t* refusedAt = nullptr);

// The character of a UTF-8 text at offset at, named for a message: "U+2603 '☃'". False, with
// "byte 0xff", where the text is not UTF-8 there.
bool nameCharacter(const char* utf8, size_t at, char* out, size_t outSize);

// The field's current text (bounded by fieldSize) as the dialog would read it back: at most limit
// bytes, cut before a double-byte character that would not fit whole.
void currentText(const char* field, size_t fieldSize, size_t limit, char* out, size_t outSize);

}  // namespace text

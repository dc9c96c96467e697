#pragma once
// CP932 <-> UTF-8 at the edges of the command-line tool. The files and the core stay in CP932.
#include <cstddef>

namespace text {

// Whether b starts a Shift-JIS double-byte character.
inline bool isLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Converts len bytes of CP932 to UTF-8 into out (always NUL-terminated, cut at a whole character).
// A byte sequence that is not valid CP932 becomes U+FFFD. Returns the bytes written without the NUL.
// 0x80, 0xA0 and 0xFD-0xFF are U+0080 and U+F8F0-U+F8F3 as on Windows, both ways, on every build.
size_t cp932ToUtf8(const char* in, size_t len, char* out, size_t outSize);

// Converts a UTF-8 text to CP932 as Windows stores it (〜 U+301C, typed on Linux and macOS, as
// Windows' ～ 0x8160, and the like). False when a character has no CP932 form, the input is not
// valid UTF-8, or the result with its NUL does not fit outSize; refusedAt then gets the offset of
// the character refused, or the text's length when only the room ran out.
bool utf8ToCp932(const char* in, char* out, size_t outSize, size_t* refusedAt = nullptr);

// Whether the character at ch (n = 1 or 2 bytes) means something: not an unassigned code, and not one
// of the single bytes 0x80, 0xA0 and 0xFD-0xFF, which map only to U+0080 and private-use U+F8F0-U+F8F3.
bool isAssigned(const char* ch, size_t n);

// Length of the UTF-8 character at s (at most len bytes) when it is well formed (no overlong form,
// no surrogate, nothing past U+10FFFF), else 0.
size_t utf8Length(const unsigned char* s, size_t len);

// Columns a CP932 text takes on a terminal: two for a double-byte character, one otherwise.
size_t displayWidth(const char* in, size_t len);

// Valid UTF-8 with characters beyond ASCII that does not read as CP932 someone wrote: a file saved
// so shows garbled on every PC.
bool looksUtf8(const unsigned char* bytes, size_t count);

}  // namespace text

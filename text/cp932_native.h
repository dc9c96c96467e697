#pragma once
// What each system's own converter does for text/cp932.cpp: iconv on POSIX (cp932_posix.cpp), the
// code-page functions on Windows (cp932_win32.cpp). Neither sees the five single bytes that only
// Windows maps; cp932.cpp handles those itself, the same on both.
#include <cstddef>

namespace text::native {

// One CP932 character (1 or 2 bytes) to UTF-8; 0 when it is not a valid character.
size_t charToUtf8(const char* in, size_t len, char* out, size_t outSize);

// len bytes of UTF-8 to CP932, without a NUL; the bytes written, or 0 when a character has no CP932
// form, the input is not UTF-8 or the result does not fit outSize.
size_t textToCp932(const char* in, size_t len, char* out, size_t outSize);

}  // namespace text::native

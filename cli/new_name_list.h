#pragma once
// A name-list file for a new share, made from a UTF-8 text of one name per line (init-share).
#include <cstddef>

namespace cli {

enum class NamesError { none, utf16, notUtf8, notCp932, separator, tooLong, tooBig };

struct NamesResult {
  NamesError error;
  int line;          // 1-based line of the error, 0 for the file as a whole
  int members;       // names written
  size_t size;       // bytes of the name list
  char refused[48];  // notCp932: the character ("U+2603 '☃'"); notUtf8: the byte ("byte 0x93")
};

// Writes "name;\r\n" per non-blank line into out (CP932). Text that is UTF-16 or not UTF-8, a name
// with a byte the list cannot carry (';', TAB, CR, NUL), one not representable in CP932 or of more
// than 1,023 bytes, or a list past the 32,768 bytes the program reads is an error, and out is then
// unusable. Everything else that would go wrong is what checkNameList finds in the result.
NamesResult buildNameList(const char* utf8, size_t len, char* out, size_t outSize);

}  // namespace cli

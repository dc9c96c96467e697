#pragma once
// A name-list file for a new share, made from a UTF-8 text of one name per line (init-share).
#include <cstddef>

namespace cli {

enum class NamesError { none, notCp932, badByte, tooLong, tooMany, tooBig, noNames };

struct NamesResult {
  NamesError error;
  int line;     // 1-based line of the error, 0 for the file as a whole
  int members;  // names written
  size_t size;  // bytes of the name list
};

// Writes "name;\r\n" per non-blank line into out (CP932). A name that the program would cut (over
// 63 bytes), split (';') or alter (control bytes), one not representable in CP932, more than 300
// names, or a list past the 32,768 bytes the program reads is an error, and out is then unusable.
NamesResult buildNameList(const char* utf8, size_t len, char* out, size_t outSize);

}  // namespace cli

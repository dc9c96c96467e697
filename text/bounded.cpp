#include "text/bounded.h"

#include <cstdio>
#include <cstring>

#include "platform/system.h"
#include "text/cp932.h"

namespace text {

size_t fieldLength(const char* field, size_t fieldSize) {
  const void* nul = std::memchr(field, 0, fieldSize);
  return nul ? static_cast<size_t>(static_cast<const char*>(nul) - field) : fieldSize;
}

size_t copyField(char* out, size_t outSize, const char* field, size_t fieldSize) {
  if (outSize == 0) return 0;
  size_t n = fieldLength(field, fieldSize);
  if (n > outSize - 1) n = outSize - 1;
  std::memcpy(out, field, n);
  out[n] = '\0';
  return n;
}

void storeText(char* field, size_t fieldSize, const char* text) {
  if (fieldSize == 0) return;
  size_t n = std::strlen(text);
  if (n > fieldSize - 1) n = fieldSize - 1;
  std::memcpy(field, text, n);
  field[n] = '\0';
}

size_t wholeCharacterLength(const char* text, size_t length) {
  size_t whole = 0;
  for (size_t i = 0; i < length && text[i] != '\0';) {
    const size_t step = isLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    if (i + step > length) break;
    i += step;
    whole = i;
  }
  return whole;
}

bool joinPath(char* out, size_t outSize, const char* dir, size_t dirLength, const char* name) {
  if (outSize == 0) return false;
  out[0] = '\0';
  if (dirLength == 0) return false;
  bool endsInSeparator = false;
  for (size_t i = 0; i < dirLength; ++i) {
    const unsigned char b = static_cast<unsigned char>(dir[i]);
    endsInSeparator = platform::isSeparator(b);
    if (isLeadByte(b) && i + 1 < dirLength) ++i;
  }
  const char separator[2] = {endsInSeparator ? '\0' : platform::separator(), '\0'};
  const int n = std::snprintf(out, outSize, "%.*s%s%s", static_cast<int>(dirLength), dir, separator, name);
  if (n >= 0 && static_cast<size_t>(n) < outSize) return true;
  out[0] = '\0';
  return false;
}

}  // namespace text

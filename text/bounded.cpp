#include "text/bounded.h"

#include <cstring>

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

}  // namespace text

#include "text/entry_text.h"

#include <cstdio>
#include <cstring>

#include "text/bounded.h"
#include "text/cp932.h"

namespace text {

namespace {

bool hasControl(const char* utf8) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8); *p; ++p)
    if (*p < 0x20 || *p == 0x7F || (p[0] == 0xC2 && p[1] >= 0x80 && p[1] < 0xA0)) return true;
  return false;
}

}  // namespace

TextCheck dialogText(const char* utf8, size_t limit, char* out, size_t outSize, size_t* refusedAt) {
  if (hasControl(utf8)) {
    out[0] = '\0';
    return TextCheck::control;
  }
  // Convert with room to spare, so that too long and not representable are told apart.
  char wide[1024];
  size_t at = 0;
  if (!utf8ToCp932(utf8, wide, sizeof wide, &at)) {
    out[0] = '\0';
    if (at == std::strlen(utf8)) return TextCheck::tooLong;
    if (refusedAt) *refusedAt = at;
    return TextCheck::notCp932;
  }
  size_t n = std::strlen(wide);
  if (n > limit || n + 1 > outSize) {
    out[0] = '\0';
    return TextCheck::tooLong;
  }
  std::memcpy(out, wide, n + 1);
  return TextCheck::ok;
}

bool nameCharacter(const char* utf8, size_t at, char* out, size_t outSize) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(utf8 + at);
  const size_t n = utf8Length(s, std::strlen(utf8 + at));
  if (n == 0) {
    std::snprintf(out, outSize, "byte 0x%02x", s[0]);
    return false;
  }
  unsigned long code = n == 1 ? s[0] : s[0] & (0x7F >> n);
  for (size_t i = 1; i < n; ++i) code = (code << 6) | (s[i] & 0x3F);
  std::snprintf(out, outSize, "U+%04lX '%.*s'", code, static_cast<int>(n), utf8 + at);
  return true;
}

void currentText(const char* field, size_t fieldSize, size_t limit, char* out, size_t outSize) {
  size_t n = fieldLength(field, fieldSize);
  if (n > limit) n = limit;
  if (n + 1 > outSize) n = outSize - 1;
  const size_t whole = wholeCharacterLength(field, n);
  std::memcpy(out, field, whole);
  out[whole] = '\0';
}

}  // namespace text

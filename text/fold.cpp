#include "text/fold.h"

#include <cstring>

#include "text/cp932.h"

namespace text {

namespace {

struct Single {
  unsigned short code;
  char ascii;
};

// Punctuation with a one-byte counterpart; digits and letters are ranges, handled below.
constexpr Single Punctuation[] = {
    {0x8140, ' '}, {0x8141, ','}, {0x8143, ','},  {0x8142, '.'}, {0x8144, '.'}, {0x8146, ':'},
    {0x8147, ';'}, {0x8148, '?'}, {0x8149, '!'},  {0x814F, '^'}, {0x8150, '~'}, {0x8151, '_'},
    {0x815E, '/'}, {0x8162, '|'}, {0x8166, '\''}, {0x8168, '"'}, {0x8175, '"'}, {0x8176, '"'},
    {0x8169, '('}, {0x816A, ')'}, {0x816D, '['},  {0x816E, ']'}, {0x816F, '{'}, {0x8170, '}'},
    {0x817B, '+'}, {0x817C, '-'}, {0x8181, '='},  {0x8183, '<'}, {0x8184, '>'}, {0x818F, '\\'},
    {0x8190, '$'}, {0x8193, '%'}, {0x8194, '#'},  {0x8195, '&'}, {0x8196, '*'}, {0x8197, '@'},
};

constexpr size_t MaxFoldLength = 255;  // longer texts are left as they are

}  // namespace

char foldChar(unsigned char lead, unsigned char trail) {
  const unsigned code = (static_cast<unsigned>(lead) << 8) | trail;
  if (code >= 0x824F && code <= 0x8258) return static_cast<char>(code - 0x821F);
  if (code >= 0x8260 && code <= 0x8279) return static_cast<char>(code - 0x821F);
  if (code >= 0x8281 && code <= 0x829A) return static_cast<char>(code - 0x8220);
  for (const Single& s : Punctuation)
    if (s.code == code) return s.ascii;
  return 0;
}

void foldFullWidth(char* text) {
  const size_t length = std::strlen(text);
  if (length > MaxFoldLength) return;
  char work[MaxFoldLength + 2];
  std::memcpy(work, text, length + 1);
  work[length + 1] = '\0';
  size_t out = 0;
  for (size_t i = 0; i < length;) {
    const unsigned char b = static_cast<unsigned char>(work[i]);
    if (isLeadByte(b)) {
      // A lead byte in the last place pairs with the terminator and ends the text there.
      const unsigned char trail = static_cast<unsigned char>(work[i + 1]);
      const char folded = foldChar(b, trail);
      if (folded) {
        text[out++] = folded;
      } else {
        text[out++] = static_cast<char>(b);
        if (trail == 0) break;
        text[out++] = static_cast<char>(trail);
      }
      i += 2;
    } else {
      text[out++] = static_cast<char>(b);
      ++i;
    }
  }
  text[out] = '\0';
}

void trimSpaces(char* text) {
  size_t start = 0, end = std::strlen(text);
  while (start < end && (text[start] == ' ' || text[start] == '\t')) ++start;
  while (end > start && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  std::memmove(text, text + start, end - start);
  text[end - start] = '\0';
}

}  // namespace text

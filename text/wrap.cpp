#include "text/wrap.h"

#include <cstring>

#include "text/cp932.h"

namespace text {
namespace {

enum class Kind { ascii, space, letter, hiragana, katakana, kanji, wideLetter, other };

// Where `text` is two bytes, its code; else the byte.
unsigned codeAt(const char* p, size_t length) {
  const auto b = static_cast<unsigned char>(p[0]);
  return length == 2 ? b << 8 | static_cast<unsigned char>(p[1]) : b;
}

size_t charLength(const char* p) { return isLeadByte(static_cast<unsigned char>(p[0])) && p[1] ? 2 : 1; }

Kind kindOf(unsigned c) {
  if (c == ' ' || c == '\t') return Kind::space;
  if (c < 0x80)
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ? Kind::letter : Kind::ascii;
  if (c >= 0xA6 && c <= 0xDF) return Kind::katakana;  // half-width katakana, ｰ and the sound marks
  if (c == 0x815B) return Kind::katakana;             // ー belongs to the katakana word it lengthens
  if (c >= 0x829F && c <= 0x82F1) return Kind::hiragana;
  if (c >= 0x8340 && c <= 0x8396) return Kind::katakana;
  if (c >= 0x824F && c <= 0x829A) return Kind::wideLetter;
  if (c == 0x8158 || c >= 0x889F) return Kind::kanji;  // 々 too
  return Kind::other;
}

// Small kana and marks that cannot start a line.
bool neverFirst(unsigned c) {
  static const unsigned codes[] = {
      0x8141, 0x8142, 0x8143, 0x8144, 0x8145, 0x8146, 0x8147, 0x8148, 0x8149, 0x814A, 0x814B, 0x8152, 0x8153, 0x8154,
      0x8155, 0x8158, 0x815B, 0x8166, 0x8168, 0x816A, 0x816C, 0x816E, 0x8170, 0x8172, 0x8174, 0x8176, 0x8178, 0x817A,
      0x829F, 0x82A1, 0x82A3, 0x82A5, 0x82A7, 0x82C1, 0x82E1, 0x82E3, 0x82E5, 0x82EC, 0x8340, 0x8342, 0x8344, 0x8346,
      0x8348, 0x8362, 0x8383, 0x8385, 0x8387, 0x838E, 0x8395, 0x8396, ')',    ']',    '}',    ',',    '.',    ':',
      ';',    '!',    '?',    0xA1,   0xA3,   0xA4,   0xA5,   0xB0,   0xDE,   0xDF};
  for (unsigned code : codes)
    if (code == c) return true;
  return (c >= 0xA7 && c <= 0xAF);  // half-width small kana
}

// Opening brackets and the middle dot, which hold on to what follows.
bool neverLast(unsigned c) {
  static const unsigned codes[] = {0x8145, 0x8165, 0x8167, 0x8169, 0x816B, 0x816D, 0x816F, 0x8171,
                                   0x8173, 0x8175, 0x8177, 0x8179, '(',    '[',    '{',    0xA2};
  for (unsigned code : codes)
    if (code == c) return true;
  return false;
}

// Punctuation a line ends after by choice.
bool endsPhrase(unsigned c) {
  static const unsigned codes[] = {0x8141, 0x8142, 0x8143, 0x8144, 0x8146, 0x8148, 0x8149,
                                   0x816A, 0x8176, 0x8178, 0x817A, 0xA1,   0xA4};
  for (unsigned code : codes)
    if (code == c) return true;
  return false;
}

enum Break { none, anyPlace, phrase };

// May a line end between `a` and `b` (followed by `next`), and is it a good place?
Break breakBetween(unsigned a, unsigned b, unsigned next) {
  const Kind ka = kindOf(a);
  const Kind kb = kindOf(b);
  if (ka == Kind::space) return phrase;
  if (neverFirst(b) || neverLast(a) || kb == Kind::space) return none;
  if (ka == kb && (ka == Kind::katakana || ka == Kind::letter || ka == Kind::wideLetter)) return none;
  if ((ka == Kind::letter || ka == Kind::ascii) && (kb == Kind::letter || kb == Kind::ascii)) return none;
  if (endsPhrase(a)) return phrase;
  if (neverLast(b)) return phrase;  // before an opening bracket
  // A particle before the next content word; お and ご are prefixes of the word after them.
  const bool prefix = (b == 0x82A8 || b == 0x82B2) && kindOf(next) == Kind::kanji;
  if (ka == Kind::hiragana && a != 0x82A8 && a != 0x82B2 &&
      (prefix || kb == Kind::kanji || kb == Kind::katakana || kb == Kind::letter || kb == Kind::wideLetter))
    return phrase;
  return anyPlace;
}

struct Out {
  char* at;
  size_t left;
  bool whole = true;
  void put(const char* p, size_t n) {
    if (n >= left) {
      whole = false;
      return;
    }
    std::memcpy(at, p, n);
    at += n;
    left -= n;
  }
};

}  // namespace

bool wrapLines(const char* in, int width, MeasureText measure, void* context, char* out, size_t size) {
  if (!size) return false;
  Out o{out, size};
  const char* start = in;
  while (*start) {
    // One line of the input at a time: up to its own '\n'.
    const char* end = start + std::strcspn(start, "\n");
    const char* line = start;
    while (line < end) {
      const char* best = nullptr;  // the last good end of this output line
      const char* fallback = nullptr;
      const char* p = line;
      unsigned previous = 0;
      const char* cut = end;
      while (p < end) {
        const size_t n = charLength(p);
        const unsigned c = codeAt(p, n);
        if (p > line) {
          const unsigned next = p[n] && p + n < end ? codeAt(p + n, charLength(p + n)) : 0;
          const Break b = breakBetween(previous, c, next);
          if (b == phrase) best = p;
          if (b != none) fallback = p;
        }
        if (p > line && measure(line, static_cast<size_t>(p + n - line), context) > width) {
          cut = best ? best : fallback ? fallback : p;
          break;
        }
        previous = c;
        p += n;
      }
      const char* last = cut;
      if (cut < end)
        while (last > line && (last[-1] == ' ' || last[-1] == '\t')) --last;
      o.put(line, static_cast<size_t>(last - line));
      if (!o.whole) break;
      line = cut;
      if (line < end) {
        o.put("\n", 1);
        while (line < end && (*line == ' ' || *line == '\t')) ++line;
      }
    }
    if (!o.whole) break;
    if (!*end) break;
    o.put("\n", 1);
    start = end + 1;
  }
  *o.at = '\0';
  return o.whole;
}

}  // namespace text

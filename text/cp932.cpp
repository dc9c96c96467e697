#include "text/cp932.h"

#include <cstring>

#include "text/cp932_native.h"

namespace text {

namespace {

constexpr char Replacement[] = "\xEF\xBF\xBD";

// Single bytes that Windows maps to code points of their own and iconv refuses. A text read on
// Linux must show, and a text typed there must store, what it would on Windows.
struct WindowsByte {
  unsigned char byte;
  char utf8[4];
};
constexpr WindowsByte WindowsBytes[] = {
    {0x80, "\xC2\x80"},      // U+0080
    {0xA0, "\xEF\xA3\xB0"},  // U+F8F0
    {0xFD, "\xEF\xA3\xB1"},  // U+F8F1
    {0xFE, "\xEF\xA3\xB2"},  // U+F8F2
    {0xFF, "\xEF\xA3\xB3"},  // U+F8F3
};

const WindowsByte* windowsByte(unsigned char b) {
  for (const WindowsByte& w : WindowsBytes)
    if (w.byte == b) return &w;
  return nullptr;
}

// Characters that Japanese input on Linux and macOS (and phones) types where Windows has another
// code point for the same CP932 character: 〜 is U+301C there and U+FF5E (0x8160) here. Stored as
// Windows stores them, so a text typed anywhere lands as it would from a Windows PC.
struct TypedElsewhere {
  char utf8[4];
  char cp932[3];
};
constexpr TypedElsewhere TypedElsewhereChars[] = {
    {"\xE3\x80\x9C", "\x81\x60"},  // U+301C wave dash: U+FF5E
    {"\xE2\x80\x96", "\x81\x61"},  // U+2016 double vertical line: U+2225
    {"\xE2\x88\x92", "\x81\x7C"},  // U+2212 minus sign: U+FF0D
    {"\xC2\xA2", "\x81\x91"},      // U+00A2 cent sign: U+FFE0
    {"\xC2\xA3", "\x81\x92"},      // U+00A3 pound sign: U+FFE1
    {"\xC2\xAC", "\x81\xCA"},      // U+00AC not sign: U+FFE2
    {"\xE2\x80\x94", "\x81\x5C"},  // U+2014 em dash: U+2015
};

bool sameChar(const char* in, size_t n, const char* utf8) {
  return std::strlen(utf8) == n && std::memcmp(in, utf8, n) == 0;
}

// One UTF-8 character (n bytes) as CP932 into out (room for 2 bytes); the bytes written, or 0 when
// it has no CP932 form.
size_t charToCp932(const char* in, size_t n, char* out) {
  for (const WindowsByte& w : WindowsBytes)
    if (sameChar(in, n, w.utf8)) {
      out[0] = static_cast<char>(w.byte);
      return 1;
    }
  for (const TypedElsewhere& t : TypedElsewhereChars)
    if (sameChar(in, n, t.utf8)) {
      std::memcpy(out, t.cp932, 2);
      return 2;
    }
  const size_t m = native::textToCp932(in, n, out, 2);
  // Only a character that reads back as typed counts: iconv takes more characters for a near one
  // than Windows does, and both systems must agree on what a script may store.
  char back[8];
  if (m == 0 || native::charToUtf8(out, m, back, sizeof back) != n || std::memcmp(back, in, n) != 0) return 0;
  return m;
}

}  // namespace

size_t cp932ToUtf8(const char* in, size_t len, char* out, size_t outSize) {
  if (outSize == 0) return 0;
  size_t written = 0;
  size_t i = 0;
  while (i < len) {
    const unsigned char b = static_cast<unsigned char>(in[i]);
    size_t charLen = (isLeadByte(b) && i + 1 < len) ? 2 : 1;
    char buf[8];
    size_t n = 0;
    if (b < 0x80) {
      buf[0] = static_cast<char>(b);
      n = 1;
    } else if (const WindowsByte* w = windowsByte(b)) {
      n = std::strlen(w->utf8);
      std::memcpy(buf, w->utf8, n);
    } else {
      n = native::charToUtf8(in + i, charLen, buf, sizeof buf);
    }
    if (n == 0) {
      std::memcpy(buf, Replacement, 3);
      n = 3;
    }
    if (written + n + 1 > outSize) break;
    std::memcpy(out + written, buf, n);
    written += n;
    i += charLen;
  }
  out[written] = '\0';
  return written;
}

bool utf8ToCp932(const char* in, char* out, size_t outSize, size_t* refusedAt) {
  if (outSize == 0) return false;
  const size_t len = std::strlen(in);
  size_t used = 0;
  for (size_t i = 0; i < len;) {
    const size_t n = utf8Length(reinterpret_cast<const unsigned char*>(in + i), len - i);
    char bytes[2];
    const size_t m = n == 0 ? 0 : charToCp932(in + i, n, bytes);
    if (m == 0 || used + m + 1 > outSize) {
      if (refusedAt) *refusedAt = m == 0 ? i : len;
      out[0] = '\0';
      return false;
    }
    std::memcpy(out + used, bytes, m);
    used += m;
    i += n;
  }
  out[used] = '\0';
  return true;
}

bool isAssigned(const char* ch, size_t n) {
  const unsigned char b = static_cast<unsigned char>(ch[0]);
  if (n == 1) return b < 0x80 || (b >= 0xA1 && b <= 0xDF);
  char buf[8];
  return native::charToUtf8(ch, 2, buf, sizeof buf) != 0;
}

size_t utf8Length(const unsigned char* s, size_t len) {
  const unsigned char b = s[0];
  size_t n;
  unsigned min;
  if (b < 0x80) return 1;
  if (b >= 0xC2 && b <= 0xDF) {
    n = 2, min = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    n = 3, min = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    n = 4, min = 0x10000;
  } else {
    return 0;
  }
  if (n > len) return 0;
  unsigned cp = b & (0x7F >> n);
  for (size_t i = 1; i < n; ++i) {
    if ((s[i] & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (s[i] & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

size_t displayWidth(const char* in, size_t len) {
  size_t width = 0;
  for (size_t i = 0; i < len; ++i) {
    ++width;
    if (isLeadByte(static_cast<unsigned char>(in[i])) && i + 1 < len) {
      ++width;
      ++i;
    }
  }
  return width;
}

// Valid UTF-8 with characters beyond ASCII that does not read as Shift-JIS someone wrote: as CP932
// it has a lone byte above 0x7F, a code that is no character, or a lead byte from 0xE0 on (rare
// kanji and extensions; every UTF-8 kana and common kanji starts with 0xE3-0xE9). Real Shift-JIS
// names lead with 0x81-0x9F, which UTF-8 never starts a character with, so they are left alone.
bool looksUtf8(const unsigned char* b, size_t n) {
  bool beyondAscii = false;
  for (size_t i = 0; i < n;) {
    const size_t k = text::utf8Length(b + i, n - i);
    if (k == 0 && n - i < 4 && b[i] >= 0xC2) break;  // a character cut by the end of what is read
    if (k == 0) return false;
    beyondAscii = beyondAscii || k > 1;
    i += k;
  }
  if (!beyondAscii) return false;
  for (size_t i = 0; i < n;) {
    if (b[i] < 0x80) {
      ++i;
    } else if (!text::isLeadByte(b[i]) || b[i] >= 0xE0 || i + 1 >= n ||
               !text::isAssigned(reinterpret_cast<const char*>(b + i), 2)) {
      return true;
    } else {
      i += 2;
    }
  }
  return false;
}

}  // namespace text

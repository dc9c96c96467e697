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

// The entry whose UTF-8 form starts in, if any.
const WindowsByte* windowsCharAt(const char* in, size_t len) {
  for (const WindowsByte& w : WindowsBytes) {
    const size_t n = std::strlen(w.utf8);
    if (n <= len && std::memcmp(in, w.utf8, n) == 0) return &w;
  }
  return nullptr;
}

// UTF-8 to CP932 with a NUL: runs between the Windows-only characters go to the system's converter.
bool convertToCp932(const char* in, size_t len, char* out, size_t outSize) {
  size_t used = 0, start = 0, i = 0;
  for (;;) {
    const WindowsByte* w = i < len ? windowsCharAt(in + i, len - i) : nullptr;
    if (i < len && !w) {
      ++i;
      continue;
    }
    if (i > start) {
      const size_t n = native::textToCp932(in + start, i - start, out + used, outSize - used - 1);
      if (n == 0) return false;
      used += n;
    }
    if (i == len) break;
    if (used + 2 > outSize) return false;
    out[used++] = static_cast<char>(w->byte);
    i += std::strlen(w->utf8);
    start = i;
  }
  out[used] = '\0';
  return true;
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

bool utf8ToCp932(const char* in, char* out, size_t outSize) {
  if (outSize == 0) return false;
  const size_t len = std::strlen(in);
  if (len == 0) {
    out[0] = '\0';
    return true;
  }
  char back[2048];
  if (len >= sizeof back || !convertToCp932(in, len, out, outSize)) return false;
  // Only a text that reads back as typed counts as representable: iconv maps ¬ to the bytes of ￢,
  // which Windows refuses, and both platforms must agree on what a script may store.
  const size_t backLength = cp932ToUtf8(out, std::strlen(out), back, sizeof back);
  return backLength == len && std::memcmp(back, in, len) == 0;
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

}  // namespace text

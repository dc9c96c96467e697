#include "text/cp932.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace text {

namespace {

constexpr char Replacement[] = "\xEF\xBF\xBD";

#ifdef _WIN32
// One CP932 character (1 or 2 bytes) to UTF-8; 0 when it is not a valid character.
size_t charToUtf8(const char* in, size_t len, char* out, size_t outSize) {
  wchar_t wide[2];
  int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, in, static_cast<int>(len), wide, 2);
  if (n <= 0) return 0;
  int m = WideCharToMultiByte(CP_UTF8, 0, wide, n, out, static_cast<int>(outSize), nullptr, nullptr);
  return m > 0 ? static_cast<size_t>(m) : 0;
}
#else
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  // Converts all of in; 0 bytes written on any failure.
  size_t run(const char* in, size_t len, char* out, size_t outSize) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return 0;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in);
    char* dst = out;
    size_t srcLeft = len, dstLeft = outSize;
    if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1) || srcLeft != 0) return 0;
    if (iconv(cd_, nullptr, nullptr, &dst, &dstLeft) == static_cast<size_t>(-1)) return 0;
    return outSize - dstLeft;
  }

 private:
  iconv_t cd_;
};

size_t charToUtf8(const char* in, size_t len, char* out, size_t outSize) {
  static Converter fromCp932("UTF-8", "CP932");
  return fromCp932.run(in, len, out, outSize);
}
#endif

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
    } else {
      n = charToUtf8(in + i, charLen, buf, sizeof buf);
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

namespace {

// The plain conversion; each platform may map a few characters by best fit.
bool convertToCp932(const char* in, size_t len, char* out, size_t outSize) {
#ifdef _WIN32
  wchar_t wide[1024];
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, in, static_cast<int>(len), wide, 1024);
  if (n <= 0) return false;
  BOOL lost = FALSE;
  int m = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, n, out, static_cast<int>(outSize - 1), nullptr, &lost);
  if (m <= 0 || lost) return false;
  out[m] = '\0';
  return true;
#else
  static Converter toCp932("CP932", "UTF-8");
  size_t n = toCp932.run(in, len, out, outSize - 1);
  if (n == 0) return false;
  out[n] = '\0';
  return true;
#endif
}

}  // namespace

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

#include <iconv.h>

#include "text/cp932_native.h"

namespace text::native {

namespace {

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

}  // namespace

// One converter per thread: an iconv descriptor keeps state between calls, so threads must not share one.
size_t charToUtf8(const char* in, size_t len, char* out, size_t outSize) {
  static thread_local Converter fromCp932("UTF-8", "CP932");
  return fromCp932.run(in, len, out, outSize);
}

size_t textToCp932(const char* in, size_t len, char* out, size_t outSize) {
  static thread_local Converter toCp932("CP932", "UTF-8");
  return toCp932.run(in, len, out, outSize);
}

}  // namespace text::native

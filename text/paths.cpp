#include <cstdio>

#include "platform/system.h"
#include "text/bounded.h"
#include "text/cp932.h"

namespace text {

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

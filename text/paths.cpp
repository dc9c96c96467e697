#include <cstdio>

#include "platform/system.h"
#include "text/bounded.h"

namespace text {

size_t lastSeparator(const char* path, size_t length) {
  size_t found = length;
  for (size_t i = 0; i < length; ++i) {
    const unsigned char b = static_cast<unsigned char>(path[i]);
    if (platform::isPathLeadByte(b) && i + 1 < length)
      ++i;
    else if (platform::isSeparator(b))
      found = i;
  }
  return found;
}

// No CP932 character holds the byte '/', so every one is a separator.
bool toBackslashes(char* path, size_t size) {
  bool turned = false;
  for (size_t i = 0; i < size && path[i]; ++i) {
    if (path[i] != '/') continue;
    path[i] = '\\';
    turned = true;
  }
  return turned;
}

bool joinPath(char* out, size_t outSize, const char* dir, size_t dirLength, const char* name) {
  if (outSize == 0) return false;
  out[0] = '\0';
  if (dirLength == 0) return false;
  const bool endsInSeparator = lastSeparator(dir, dirLength) + 1 == dirLength;
  const char separator[2] = {endsInSeparator ? '\0' : platform::separator(), '\0'};
  const int n = std::snprintf(out, outSize, "%.*s%s%s", static_cast<int>(dirLength), dir, separator, name);
  if (n >= 0 && static_cast<size_t>(n) < outSize) return true;
  out[0] = '\0';
  return false;
}

}  // namespace text

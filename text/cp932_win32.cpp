#include <windows.h>

#include "text/cp932_native.h"

namespace text::native {

size_t charToUtf8(const char* in, size_t len, char* out, size_t outSize) {
  wchar_t wide[2];
  int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, in, static_cast<int>(len), wide, 2);
  if (n <= 0) return 0;
  int m = WideCharToMultiByte(CP_UTF8, 0, wide, n, out, static_cast<int>(outSize), nullptr, nullptr);
  return m > 0 ? static_cast<size_t>(m) : 0;
}

size_t textToCp932(const char* in, size_t len, char* out, size_t outSize) {
  if (outSize == 0) return 0;  // with no room WideCharToMultiByte answers the size it would need
  wchar_t wide[1024];
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, in, static_cast<int>(len), wide, 1024);
  if (n <= 0) return 0;
  BOOL lost = FALSE;
  int m = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, n, out, static_cast<int>(outSize), nullptr, &lost);
  return m > 0 && !lost ? static_cast<size_t>(m) : 0;
}

}  // namespace text::native

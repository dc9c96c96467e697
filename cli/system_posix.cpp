#include <cstdio>
#include <cstring>

#include "cli/system.h"

namespace cli {

// POSIX hands the arguments over as the terminal typed them: UTF-8.
int utf8Arguments(int argc, char** argv, char**& out) {
  out = argv;
  return argc;
}

bool nativePath(const char* arg, char* out, size_t outSize) {
  if (std::strlen(arg) + 1 > outSize) return false;
  std::memcpy(out, arg, std::strlen(arg) + 1);
  return true;
}

void nativeToUtf8(const char* path, char* out, size_t outSize) { std::snprintf(out, outSize, "%s", path); }

}  // namespace cli

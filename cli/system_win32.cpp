#include <windows.h>
// shellapi.h needs the types of windows.h first.
#include <shellapi.h>

#include <cstring>

#include "cli/system.h"
#include "text/cp932.h"

namespace cli {

namespace {

constexpr int MaxArgs = 64;
char argText[32768];
char* utf8Argv[MaxArgs + 1];

}  // namespace

// The ANSI argv would already be CP932 and lose what CP932 cannot hold; the commands take UTF-8
// and convert themselves, so they see the same text on every system.
int utf8Arguments(int argc, char** argv, char**& out) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide || count > MaxArgs) {
    if (wide) LocalFree(wide);
    out = argv;
    return argc;
  }
  size_t used = 0;
  for (int i = 0; i < count; ++i) {
    int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, argText + used, static_cast<int>(sizeof argText - used),
                                nullptr, nullptr);
    if (n <= 0) {
      LocalFree(wide);
      out = argv;
      return argc;
    }
    utf8Argv[i] = argText + used;
    used += static_cast<size_t>(n);
  }
  utf8Argv[count] = nullptr;
  LocalFree(wide);
  out = utf8Argv;
  return count;
}

// main hands every argument over in UTF-8; the C library opens paths in the ANSI code page.
bool nativePath(const char* arg, char* out, size_t outSize) { return text::utf8ToCp932(arg, out, outSize); }

void nativeToUtf8(const char* path, char* out, size_t outSize) {
  text::cp932ToUtf8(path, std::strlen(path), out, outSize);
}

}  // namespace cli

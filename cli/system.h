#pragma once
// Where the command line meets the system: the arguments and the paths as the C library takes them
// (CP932 on Windows, UTF-8 on POSIX). One file per system: system_posix.cpp, system_win32.cpp.
#include <cstddef>

namespace cli {

// The arguments as UTF-8, so that every command sees the same text on every system. Returns the
// count and points out at them: argv itself where it already is UTF-8 or cannot be had otherwise.
int utf8Arguments(int argc, char** argv, char**& out);

// A path argument as the C library must see it (the ANSI code page on Windows); false when it does
// not fit out or cannot be represented.
bool nativePath(const char* arg, char* out, size_t outSize);

// A path as the C library takes it, as UTF-8 into out (always terminated, cut to fit); still to be
// escaped when written.
void nativeToUtf8(const char* path, char* out, size_t outSize);

}  // namespace cli

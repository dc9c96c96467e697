#pragma once
// The CLI's own lines on the terminal, escaped as report/ escapes the board's texts.
#include <cstdio>

namespace cli {

// A path as the C library takes it, escaped onto the terminal.
void writeNativePath(FILE* out, const char* path);
// A status-line message of the core, as one line: only coded messages ("(202)..."), not progress.
void writeStatusLine(FILE* out, const char* cp932);

}  // namespace cli

#pragma once
// The CLI's own lines on the terminal, escaped as report/ escapes the board's texts.
#include <cstdio>

namespace cli {

// A path as the C library takes it, escaped onto the terminal.
void writeNativePath(FILE* out, const char* path);
// A status-line message of the core, as one line: only coded messages ("(202)..."), not progress.
void writeStatusLine(FILE* out, const char* cp932);

// Whether everything written to stdout so far reached it (flushed, no error); otherwise says so on
// stderr ("tavelin-cli CMD: cannot write the output: REASON"): a full disk is no success.
bool outputWritten(const char* command);

// For serve, which looks at the share every second: a coded message that repeats the last one is not
// written again until a good read (status::boardRead) comes between, so an outage is one line in the log, not one a
// second. Defined with the status line (status_stderr.cpp).
void statusChangesOnly();

}  // namespace cli

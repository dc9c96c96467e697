#pragma once
// The CLI's own lines on the terminal, escaped as report/ escapes the board's texts.
#include <cstdio>

namespace cli {

// UTF-8 typed by the user (or any text echoed back), escaped onto the terminal: controls as \xNN,
// and what would reorder or disguise the line around it as \u{XXXX}: bidirectional controls
// (U+202E), invisible characters, and a combining mark that would sit on the quote or letter
// before it. Invalid bytes as \xNN.
void writeTypedText(FILE* out, const char* utf8);

// A path as the C library takes it, escaped onto the terminal.
void writeNativePath(FILE* out, const char* path);
// A status-line message of the core, as one line: only coded messages ("(202)..."), not progress.
void writeStatusLine(FILE* out, const char* cp932);

// Whether everything written to stdout so far reached it (flushed, no error); otherwise says so on
// stderr ("tavelin-cli CMD: cannot write the output: REASON"): a full disk is no success.
bool outputWritten(const char* command);

// The core's coded messages of a one-shot command are kept, not written as they come: the command
// ends with one line of its own that carries the code. noteStatus keeps the last coded message
// (progress texts are dropped); forgetStatus clears it.
void noteStatus(const char* cp932);
void forgetStatus();
// Whether a core message says another PC holds the lock ((201), (202)).
bool saysLockBusy(const char* cp932);
// " (105)": the last coded message's code, or "" when there was none.
const char* lastStatusCode();
// After a failure the command could not explain itself: "tavelin-cli CMD: MESSAGE" as the core
// worded it (UTF-8), or "tavelin-cli CMD: the board operation failed"; a success that left a
// coded message (a lock that could not be removed) is a warning line. Forgets it.
void reportLastStatus(const char* command, bool failed);

// For serve, which looks at the share every second: a coded message that repeats the last one is not
// written again until a good read (status::boardRead) comes between, so an outage is one line in the log, not one a
// second. Defined with the status line (status_stderr.cpp).
void statusChangesOnly();

}  // namespace cli

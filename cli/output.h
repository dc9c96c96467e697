#pragma once
// Printing the board for a person (an aligned table) or for a script (JSON, CSV), in UTF-8.
#include <cstddef>
#include <cstdio>
#include <ctime>

#include "store/board.h"

namespace cli {

// Slots to print: for each, the name shown in column 0 (CP932, may be null for the board's own name).
struct RowSource {
  const store::BoardImage* image;  // the board the rows come from
  int count;                // slots 0 .. count-1 are candidates
  bool onlyFilled;          // skip slots whose six fields are all empty
  const char (*names)[64];  // names by slot, or null to use the board's name block
  std::tm now;              // the moment the overdue and stale flags are judged at
};

void printTable(FILE* out, const RowSource& rows);
// Each row's fields under the field table's keys, then its "overdue" and "stale" flags.
void printJson(FILE* out, const RowSource& rows);
// The same rows and fields as the JSON, as RFC 4180 CSV with a header row (CRLF line ends). A cell
// that a spreadsheet would run as a formula gets a leading ' so that it shows as text. Controls from
// the file stay as they are, inside the quotes, so that a reader gets the text back; on a terminal
// they are escaped as everywhere else.
void printCsv(FILE* out, const RowSource& rows, bool terminal = false);

// Every byte printed that came from a file goes through one of these, so that a terminal never
// receives a control (C0, DEL or C1) raw: it shows as \x1b instead.
// CP932 text as UTF-8.
void writeTerminalText(FILE* out, const char* cp932, size_t len);
// UTF-8 text (an argument, a path on POSIX); a byte that is not UTF-8 shows as \xNN too.
void writeTerminalUtf8(FILE* out, const char* utf8, size_t len);
// A path as the C library takes it (CP932 on Windows, UTF-8 on POSIX), as UTF-8 into out (always
// terminated, cut to fit); still to be escaped when written.
void nativeToUtf8(const char* path, char* out, size_t outSize);
// The same path escaped onto the terminal.
void writeNativePath(FILE* out, const char* path);
// A status-line message of the core, as one line: only coded messages ("(202)..."), not progress.
void writeStatusLine(FILE* out, const char* cp932);
// Writes CP932 text as a JSON string literal, with quotes.
void writeJsonString(FILE* out, const char* cp932, size_t len);

}  // namespace cli

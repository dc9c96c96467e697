#pragma once
// Printing the board for a person (an aligned table) or for a script (JSON), in UTF-8.
#include <cstdio>

namespace cli {

// Slots to print: for each, the name shown in column 0 (CP932, may be null for the board's own name).
struct RowSource {
  int count;                // slots 0 .. count-1 are candidates
  bool onlyFilled;          // skip slots whose six fields are all empty
  const char (*names)[64];  // names by slot, or null to use the board's name block
};

void printTable(FILE* out, const RowSource& rows);
void printJson(FILE* out, const RowSource& rows);

// Writes CP932 text as UTF-8 with control bytes escaped (\x1b), so a terminal never receives them raw.
void writeTerminalText(FILE* out, const char* cp932, size_t len);
// Writes CP932 text as a JSON string literal, with quotes.
void writeJsonString(FILE* out, const char* cp932, size_t len);

}  // namespace cli

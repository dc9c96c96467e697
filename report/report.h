#pragma once
// The board printed for a person (an aligned table, a web page's cells) or for a script (JSON, CSV),
// in UTF-8, by every front end: the CLI's show, the window's CSV, the web page. Every byte that came from a file is
// escaped for where it goes, so a terminal never receives a control raw.
#include <cstddef>
#include <cstdio>
#include <ctime>

#include "store/board.h"

namespace report {

// What to print: the image read, which of its slots, and how to label them.
struct Rows {
  const store::BoardImage* image;
  const char (*names)[store::NameSize];  // the name in column 0 by slot, or null for the image's name block
  int count;                             // slots 0 .. count-1 are candidates
  bool onlyFilled;                       // skip slots whose six fields are all empty
  std::tm now;                           // the moment the overdue and stale flags are judged at
};

void printTable(FILE* out, const Rows& rows);
// Each row's fields under the field table's keys, then its flags ("overdue", "stale": store's flag table).
void printJson(FILE* out, const Rows& rows);
// One slot's object of that array, alone (the web page's changed rows).
void printJsonRow(FILE* out, const Rows& rows, int slot);
// The same rows and fields as the JSON, as RFC 4180 CSV with a header row (CRLF line ends). A cell
// that a spreadsheet would run as a formula gets a leading ' so that it shows as text. Controls from
// the file stay as they are, inside the quotes, so that a reader gets the text back; on a terminal
// they are escaped as everywhere else.
// For people (the window's export) the header row is the list's own headers, the rows are numbered from
// 1 and a flag is はい or empty; the machines' form (the CLI's) keeps its keys, slots and true/false.
enum class CsvFor { machines, people };
void printCsv(FILE* out, const Rows& rows, bool terminal = false, CsvFor reader = CsvFor::machines);

// Every byte printed to a terminal that came from a file goes through one of these: a control (C0,
// DEL or C1) shows as \x1b instead.
// CP932 text as UTF-8.
void writeTerminalText(FILE* out, const char* cp932, size_t len);
// UTF-8 text (an argument, a path on POSIX); a byte that is not UTF-8 shows as \xNN too.
void writeTerminalUtf8(FILE* out, const char* utf8, size_t len);
// Writes CP932 text as a JSON string literal, with quotes.
void writeJsonString(FILE* out, const char* cp932, size_t len);
// CP932 text as UTF-8 for an HTML text node or a quoted attribute: & < > " ' as references, and a
// control or a byte that is no CP932 character as the text \xNN, so a page never renders either.
void writeHtmlText(FILE* out, const char* cp932, size_t len);

}  // namespace report

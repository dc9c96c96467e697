#pragma once
// What an administrator should know about a name list: everything the program would silently cut,
// drop, garble or accept although it misleads. check-names reports it; init-share refuses to
// write a list with any of it, so the two always agree.
#include <cstddef>
#include <cstdio>

namespace cli {

enum class FindingKind {
  // the file as a whole (slot -1)
  byteOrderMark,  // starts with a UTF-8 byte-order mark, which becomes part of the first name
  utf16,          // saved as UTF-16
  utf8,           // saved as UTF-8: valid UTF-8 and not sensible CP932
  // one name
  cut,            // longer than 63 bytes, cut (size: bytes in the file)
  afterNul,       // bytes after a NUL byte in the name are lost (size: how many)
  undefinedCode,  // codes that are no CP932 character (size: how many; other: the first, as bytes)
  controlByte,    // control bytes, shown raw on every PC (size: how many; other: the first)
  tooWide,        // a note: over 15 half-width columns (size: columns)
  empty,          // an empty name takes a slot
  duplicate,      // same name as slot `other`
  // the file again
  trailingText,  // text after the last ';' is no name and is dropped (size: bytes)
  pastLimit,     // names past 300 are ignored (size: names)
  noNames,       // no name at all: an empty board
  pastWindow,    // bytes past 32,768 are never read (size: bytes)
};

// Whether bytes are UTF-16 text: a byte-order mark, or without one the NUL bytes that UTF-16 puts
// beside every ASCII character (a line end at least), all at even or all at odd offsets.
bool looksUtf16(const unsigned char* bytes, size_t count);

// A note is advice: it does not make a list wrong.
inline bool isNote(FindingKind kind) { return kind == FindingKind::tooWide; }

struct Finding {
  FindingKind kind;
  int slot;  // -1 when the finding is about the file
  int other;
  size_t size;
};

constexpr int MaxFindings = 1024;
constexpr size_t WideNameColumns = 15;

struct NameReport {
  int members;
  int errors;   // findings that are not notes, the dropped ones included
  int count;    // findings stored
  int dropped;  // findings beyond MaxFindings
  Finding findings[MaxFindings];
};

// Parses bytes (the first count bytes of a file of fileSize bytes) as loadNameList does and
// collects the findings in file order. The names are then in share().displayNames.
void checkNameList(const unsigned char* bytes, size_t count, size_t fileSize, NameReport& out);

// One line per finding (the encoding ones in Japanese and English), in UTF-8.
void printReport(FILE* out, const NameReport& report);

}  // namespace cli

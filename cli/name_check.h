#pragma once
// What an administrator should know about a name list: everything the program would silently cut,
// drop or accept although it misleads (check-names).
#include <cstddef>

namespace cli {

enum class FindingKind {
  cut,           // slot: name longer than 63 bytes, cut (size: bytes in the file)
  afterNul,      // slot: bytes after a NUL byte in the name are lost (size: how many)
  tooWide,       // slot: over 15 half-width columns (size: columns)
  empty,         // slot: an empty name takes a slot
  duplicate,     // slot: same name as slot `other`
  trailingText,  // text after the last ';' is no name and is dropped (size: bytes)
  pastWindow,    // bytes past 32,768 are never read (size: bytes)
  pastLimit,     // names past 300 are ignored (size: names)
};

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
  int count;    // findings stored
  int dropped;  // findings beyond MaxFindings
  Finding findings[MaxFindings];
};

// Parses bytes (the first count bytes of a file of fileSize bytes) with store::parseNameList and
// collects the findings in file order. The names are then in store::displayNames.
void checkNameList(const unsigned char* bytes, size_t count, size_t fileSize, NameReport& out);

}  // namespace cli

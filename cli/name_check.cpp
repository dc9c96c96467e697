#include "cli/name_check.h"

#include <cstring>

#include "store/board.h"
#include "store/names.h"
#include "text/bounded.h"
#include "text/cp932.h"

namespace cli {

namespace {

struct RawName {
  size_t length;  // bytes the name collects, before any cut or NUL
  size_t nulAt;   // position of the first NUL in it, or length
  bool ended;     // closed by ';' (otherwise the text ran out)
};

// One name from pos by the program's rules; pos moves past its ';'.
RawName nextName(const unsigned char* b, size_t count, size_t& pos) {
  RawName name{0, 0, false};
  bool sawNul = false;
  while (pos < count) {
    unsigned char c = b[pos];
    if (c == '\r' || c == '\n' || c == '\t') {
      ++pos;
    } else if (text::isLeadByte(c)) {
      if (pos + 1 >= count) {  // a lead byte in the last place ends the scan
        ++name.length;
        pos = count;
        break;
      }
      name.length += 2;
      pos += 2;
    } else if (c == ';') {
      ++pos;
      name.ended = true;
      break;
    } else {
      if (c == 0 && !sawNul) {
        sawNul = true;
        name.nulAt = name.length;
      }
      ++name.length;
      ++pos;
    }
  }
  if (!sawNul) name.nulAt = name.length;
  return name;
}

void add(NameReport& out, FindingKind kind, int slot, int other, size_t size) {
  if (out.count >= MaxFindings) {
    ++out.dropped;
    return;
  }
  out.findings[out.count++] = Finding{kind, slot, other, size};
}

void checkName(NameReport& out, int slot, const RawName& raw) {
  const char* name = store::displayNames[slot];
  size_t length = text::fieldLength(name, store::NameSize);
  if (raw.nulAt > store::NameLimit) add(out, FindingKind::cut, slot, -1, raw.nulAt);
  if (raw.length > raw.nulAt + 1 && raw.nulAt <= store::NameLimit)
    add(out, FindingKind::afterNul, slot, -1, raw.length - raw.nulAt - 1);
  size_t columns = text::displayWidth(name, length);
  if (columns > WideNameColumns) add(out, FindingKind::tooWide, slot, -1, columns);
  if (length == 0) {
    add(out, FindingKind::empty, slot, -1, 0);
    return;
  }
  for (int earlier = 0; earlier < slot; ++earlier) {
    const char* other = store::displayNames[earlier];
    if (text::fieldLength(other, store::NameSize) == length && std::memcmp(other, name, length) == 0) {
      add(out, FindingKind::duplicate, slot, earlier, 0);
      break;
    }
  }
}

}  // namespace

void checkNameList(const unsigned char* bytes, size_t count, size_t fileSize, NameReport& out) {
  out.members = 0;
  out.count = 0;
  out.dropped = 0;
  if (count > store::NameListWindow) count = store::NameListWindow;
  // As loadNameList does: the parse appends to what is there.
  store::clearBoard();
  store::memberCount = 0;
  store::parseNameList(bytes, count);
  out.members = store::memberCount;

  size_t pos = 0;
  int slot = 0;
  RawName raw{0, 0, true};
  while (pos < count && slot < store::MaxMembers) {
    raw = nextName(bytes, count, pos);
    if (!raw.ended) break;
    if (slot < store::memberCount) checkName(out, slot, raw);
    ++slot;
  }
  if (slot >= store::MaxMembers) {
    size_t ignored = 0;
    while (pos < count) {
      if (nextName(bytes, count, pos).ended) ++ignored;
    }
    if (ignored) add(out, FindingKind::pastLimit, -1, -1, ignored);
  } else if (!raw.ended && raw.length > 0) {
    add(out, FindingKind::trailingText, -1, -1, raw.length);
  }
  if (fileSize > store::NameListWindow) add(out, FindingKind::pastWindow, -1, -1, fileSize - store::NameListWindow);
}

}  // namespace cli

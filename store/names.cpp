#include "store/names.h"

#include <cstring>

#include "platform/files.h"
#include "settings/preferences.h"
#include "store/access.h"
#include "store/board.h"
#include "text/cp932.h"
#include "text/waits.h"

namespace store {

int memberCount;

namespace {

// Stores the accumulated name into the next slot, cut to 63 bytes, or 62 when byte 62 has a lead-byte value.
void storeName(const unsigned char* name, size_t length) {
  // Bytes after a NUL are lost, as the name is kept as a NUL-terminated text.
  const void* nul = std::memchr(name, 0, length);
  if (nul) length = static_cast<size_t>(static_cast<const unsigned char*>(nul) - name);
  if (length > NameLimit) length = text::isLeadByte(name[NameLimit - 1]) ? NameLimit - 1 : NameLimit;
  char* boardName = board.boardNames[memberCount];
  std::memcpy(boardName, name, length);
  boardName[length] = '\0';
  std::memcpy(displayNames[memberCount], boardName, length + 1);
  ++memberCount;
}

}  // namespace

void parseNameList(const unsigned char* bytes, size_t count) {
  // Only the first 63 bytes of a name can reach a slot, so the accumulator stops growing there.
  unsigned char name[NameLimit + 1];
  size_t length = 0;
  auto append = [&](unsigned char b) {
    if (length < sizeof name) name[length] = b;
    ++length;
  };
  size_t i = 0;
  while (i < count && memberCount < MaxMembers) {
    const unsigned char b = bytes[i];
    if (b == '\r' || b == '\n' || b == '\t') {
      ++i;
    } else if (text::isLeadByte(b)) {
      if (i + 1 >= count) break;  // an unfinished character: its name has no ';' either
      append(b);
      append(bytes[i + 1]);
      i += 2;
    } else if (b == ';') {
      storeName(name, length < sizeof name ? length : sizeof name);
      length = 0;
      ++i;
    } else {
      append(b);
      ++i;
    }
  }
}

int loadNameList() {
  clearBoard();
  memberCount = 0;
  char path[settings::PathSize + 1];
  settings::pathText(settings::prefs.nameListPath, path);

  FILE* f = nullptr;
  for (int attempt = 1; attempt <= Attempts && !f; ++attempt) {
    f = files::openRead(path);
    if (!f) text::waitJittered(1000);
  }
  if (!f) return 0;

  static unsigned char buffer[NameListWindow];
  std::memset(buffer, 0, sizeof buffer);
  files::Handle file(f);
  const size_t count = files::readBlock(buffer, sizeof buffer, f);
  file.close();
  parseNameList(buffer, count);
  return 1;
}

}  // namespace store

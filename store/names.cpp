#include "store/names.h"

#include <cstring>

#include "platform/files.h"
#include "store/attempts.h"
#include "store/board.h"
#include "store/share.h"
#include "text/cp932.h"
#include "text/waits.h"

namespace store {

namespace {

// Stores the accumulated name into the next slot, cut to 63 bytes, or 62 when byte 62 has a lead-byte value.
void storeName(Share& share, const unsigned char* name, size_t length) {
  // Bytes after a NUL are lost, as the name is kept as a NUL-terminated text.
  const void* nul = std::memchr(name, 0, length);
  if (nul) length = static_cast<size_t>(static_cast<const unsigned char*>(nul) - name);
  if (length > NameLimit) length = text::isLeadByte(name[NameLimit - 1]) ? NameLimit - 1 : NameLimit;
  char* boardName = share.board.boardNames[share.memberCount];
  std::memcpy(boardName, name, length);
  boardName[length] = '\0';
  std::memcpy(share.displayNames[share.memberCount], boardName, length + 1);
  ++share.memberCount;
}

}  // namespace

bool scanName(const unsigned char* bytes, size_t count, size_t& pos, ScannedName& out) {
  if (pos >= count) return false;
  out.length = 0;
  out.ended = false;
  auto append = [&out](unsigned char b) {
    if (out.length < sizeof out.bytes) out.bytes[out.length] = b;
    ++out.length;
  };
  while (pos < count) {
    const unsigned char b = bytes[pos];
    if (b == '\r' || b == '\n' || b == '\t') {
      ++pos;
    } else if (text::isLeadByte(b)) {
      append(b);
      if (pos + 1 >= count) {  // an unfinished character ends the scan; its name has no ';'
        pos = count;
        break;
      }
      append(bytes[pos + 1]);
      pos += 2;
    } else if (b == ';') {
      ++pos;
      out.ended = true;
      break;
    } else {
      append(b);
      ++pos;
    }
  }
  return true;
}

void parseNameList(Share& share, const unsigned char* bytes, size_t count) {
  size_t pos = 0;
  ScannedName name;
  while (share.memberCount < MaxMembers && scanName(bytes, count, pos, name) && name.ended)
    storeName(share, name.bytes, name.length < sizeof name.bytes ? name.length : sizeof name.bytes);
  // What the board has no room for is told to the front end.
  share.namesIgnored = 0;
  while (share.memberCount == MaxMembers && scanName(bytes, count, pos, name) && name.ended) ++share.namesIgnored;
}

int loadNameList(Share& share, int attempts) {
  clearBoard(share);
  share.memberCount = 0;
  share.listLoaded = false;
  char path[SharePathSize + 1];
  sharePath(share.nameListPath, path);

  FILE* f = nullptr;
  for (int attempt = 1; attempt <= attempts && !f; ++attempt) {
    f = files::openRead(path);
    if (!f && files::failsForGood(path)) break;  // no wait can bring a missing file or a folder
    // Each of the twenty failures waits its second, as the program always has; a quick look (the
    // timer's) does not wait after its last.
    if (!f && (attempts == Attempts || attempt < attempts)) text::waitJittered(1000);
  }
  if (!f) return 0;
  // Taken before the read: a change made while we read shows as a change next time.
  share.listLoaded = true;
  if (!files::stamp(path, share.loadedStamp)) share.loadedStamp = files::Stamp{-1, -1, -1, false};

  // The list's window fits in the scratch image, which no operation holds between calls.
  static_assert(NameListWindow <= sizeof share.scratch, "the list is read into the scratch image");
  unsigned char* buffer = share.scratch;
  std::memset(buffer, 0, NameListWindow);
  files::Handle file(f);
  const size_t count = files::readBlock(buffer, NameListWindow, f);
  file.close();
  parseNameList(share, buffer, count);
  return 1;
}

bool nameListChanged(Share& share) {
  if (!share.listLoaded) return true;
  char path[SharePathSize + 1];
  sharePath(share.nameListPath, path);
  files::Stamp now;
  return files::stamp(path, now) && !(now == share.loadedStamp);
}

}  // namespace store

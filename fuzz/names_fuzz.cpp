// The name list parser, on bytes as loadNameList reads them from the share (at most its window).
#include <cstring>

#include "fuzz/harness.h"
#include "store/board.h"
#include "store/names.h"
#include "tests/fake.h"
#include "text/cp932.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fake::resetAll();
  store::clearBoard(fake::share);
  if (size > store::NameListWindow) size = store::NameListWindow;
  store::parseNameList(fake::share, data, size);

  const int count = fake::share.memberCount;
  fuzz::check(count >= 0 && count <= store::MaxMembers, "member count within the board");
  size_t semicolons = 0;
  for (size_t i = 0; i < size; ++i) semicolons += data[i] == ';';
  fuzz::check(static_cast<size_t>(count) <= semicolons, "no name without its semicolon");

  for (int slot = 0; slot < store::MaxMembers; ++slot) {
    const char* name = fake::share.board.boardNames[slot];
    const void* nul = std::memchr(name, 0, store::NameSize);
    fuzz::check(nul != nullptr, "every name slot terminated");
    if (slot >= count) {
      fuzz::check(name[0] == '\0' && fake::share.displayNames[slot][0] == '\0', "slots past the list stay empty");
      continue;
    }
    const size_t length = static_cast<size_t>(static_cast<const char*>(nul) - name);
    fuzz::check(length <= store::NameLimit, "a name keeps at most 63 bytes");
    fuzz::check(std::memcmp(name, fake::share.displayNames[slot], length + 1) == 0, "display name equals board name");
    // Separators and dropped bytes can only remain as the second byte of a double-byte character.
    for (size_t i = 0; i < length; ++i) {
      const unsigned char b = static_cast<unsigned char>(name[i]);
      if (text::isLeadByte(b)) {
        ++i;
        continue;
      }
      fuzz::check(b != ';' && b != '\r' && b != '\n' && b != '\t', "no separator or dropped byte in a name");
    }
  }
  return 0;
}

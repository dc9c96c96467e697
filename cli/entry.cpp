#include "cli/entry.h"

#include <cstring>

#include "cli/session.h"
#include "store/names.h"
#include "text/bounded.h"

namespace cli {

int matchMembers(const char* name, int* matches, int maxMatches) {
  int count = 0;
  size_t len = std::strlen(name);
  for (int slot = 0; slot < share().memberCount; ++slot) {
    const char* shown = share().displayNames[slot];
    if (text::fieldLength(shown, store::NameSize) != len || std::memcmp(shown, name, len) != 0) continue;
    if (count < maxMatches) matches[count] = slot;
    ++count;
  }
  return count;
}

}  // namespace cli

#include "store/share.h"

#include <cstring>

#include "text/bounded.h"

namespace store {

void resetShare(Share& share) { std::memset(&share, 0, sizeof share); }

void usePaths(Share& share, const char (&nameListPath)[SharePathSize], const char (&boardPath)[SharePathSize]) {
  std::memcpy(share.nameListPath, nameListPath, SharePathSize);
  std::memcpy(share.boardPath, boardPath, SharePathSize);
}

void sharePath(const char (&field)[SharePathSize], char (&out)[SharePathSize + 1]) { text::copyField(out, field); }

}  // namespace store

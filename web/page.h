#pragma once
// The board as an HTML page, rendered on the server so that it reads without JavaScript: every
// member's row with the window's glance rules (overdue red, an earlier day's row grey, the state's
// icon), and on a member's personal page the editor of the member's own row. /app.js adds the find
// box, the sort, the live updates and the edits.
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "store/board.h"

namespace web {

// What one page shows: a copy of the published board, taken under the feed's mutex.
struct PageBoard {
  store::BoardImage image;
  char names[store::MaxMembers][store::NameSize];
  int memberCount;
  std::tm now;
  uint64_t generation;
  bool old;
  char readAt[32];
};

struct PageView {
  const char* token;  // the member's own link's token, or null on the open page
  int ownSlot;        // -1 without a token
  bool editAny;
};

void writePage(FILE* out, const PageBoard& board, const PageView& view);

// The page that a server with tokens answers at / and to a wrong link.
void writeNeedsLink(FILE* out);

// The reception's view: every member at once, a cell each (the state's colour, icon and word, the name,
// the return time), sized by the page's script to fill one screen; token is the reception's, or null.
void writeKiosk(FILE* out, const PageBoard& board, const char* token);

}  // namespace web

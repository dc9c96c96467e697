#pragma once
// Which members the list shows, in which order: a view over the slots. Finding and sorting change
// the view only; every write still goes to the member's own slot.
#include "store/board.h"

namespace ui {

constexpr size_t FindSize = 64;

// How the rows are chosen and ordered. column -1 keeps the name list's order.
struct ViewRule {
  char find[FindSize];  // CP932; empty shows every member
  int column;
  bool descending;
};

struct RowView {
  int slots[store::MaxMembers];  // row -> slot
  int count;
};

// Whether the member's name or any of the row's texts holds what is looked for. Full-width letters
// and digits match their ASCII forms and ASCII letters match in either case; a double-byte
// character matches only whole.
bool rowMatches(const store::BoardImage& image, const char (*names)[store::NameSize], int slot, const char* find);

// The first of count names that begins with typed, else the first that holds it, matched as the find
// box matches: how the settings find my name as it is typed. -1 when none does or typed is empty.
int nameMatching(const char (*names)[store::NameSize], int count, const char* typed);

// The rows of slots 0 .. members-1 that match, sorted by the rule's column (byte order of the texts,
// empty texts last either way, ties in slot order).
void arrangeRows(const store::BoardImage& image, const char (*names)[store::NameSize], int members,
                 const ViewRule& rule, RowView& out);

// The view's row of a slot, or -1 when the slot is not shown.
int rowOfSlot(const RowView& view, int slot);
// The slot shown in a row, or -1 for a row outside the view.
int slotOfRow(const RowView& view, int row);

}  // namespace ui

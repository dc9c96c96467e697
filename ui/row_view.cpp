#include "ui/row_view.h"

#include <algorithm>
#include <cstring>

#include "text/bounded.h"
#include "text/cp932.h"
#include "text/fold.h"
#include "ui/columns.h"

namespace ui {

namespace {

// A text in the form it is matched in: full-width ASCII folded, ASCII letters in lower case.
void matchForm(char* text) {
  text::foldFullWidth(text);
  for (char* p = text; *p; ++p) {
    const unsigned char b = static_cast<unsigned char>(*p);
    if (text::isLeadByte(b) && p[1]) {
      ++p;
    } else if (b >= 'A' && b <= 'Z') {
      *p = static_cast<char>(b - 'A' + 'a');
    }
  }
}

// A match that starts on a character of the text, never on the second byte of one.
bool contains(const char* text, const char* needle) {
  const size_t n = std::strlen(needle);
  for (const char* p = text; *p;) {
    if (std::strncmp(p, needle, n) == 0) return true;
    p += text::isLeadByte(static_cast<unsigned char>(*p)) && p[1] ? 2 : 1;
  }
  return false;
}

}  // namespace

bool rowMatches(const store::BoardImage& image, const char (*names)[store::NameSize], int slot, const char* find) {
  char needle[CellSize];
  text::copyField(needle, sizeof needle, find, FindSize);
  matchForm(needle);
  if (!needle[0]) return true;
  for (int column = 0; column < ColumnCount; ++column) {
    char cell[CellSize];
    columnAt(column).text(image, names, slot, cell, sizeof cell);
    matchForm(cell);
    if (contains(cell, needle)) return true;
  }
  return false;
}

int nameMatching(const char (*names)[store::NameSize], int count, const char* typed) {
  char needle[CellSize];
  text::copyField(needle, sizeof needle, typed, std::strlen(typed));
  matchForm(needle);
  if (!needle[0]) return -1;
  int holding = -1;
  for (int i = 0; i < count && i < store::MaxMembers; ++i) {
    char name[CellSize];
    text::copyField(name, sizeof name, names[i], store::NameSize);
    matchForm(name);
    if (std::strncmp(name, needle, std::strlen(needle)) == 0) return i;
    if (holding < 0 && contains(name, needle)) holding = i;
  }
  return holding;
}

void arrangeRows(const store::BoardImage& image, const char (*names)[store::NameSize], int members,
                 const ViewRule& rule, RowView& out) {
  out.count = 0;
  for (int slot = 0; slot < members && slot < store::MaxMembers; ++slot)
    if (rowMatches(image, names, slot, rule.find)) out.slots[out.count++] = slot;
  if (rule.column < 0 || rule.column >= ColumnCount) return;
  std::stable_sort(out.slots, out.slots + out.count, [&](int a, int b) {
    char ta[CellSize], tb[CellSize];
    columnAt(rule.column).text(image, names, a, ta, sizeof ta);
    columnAt(rule.column).text(image, names, b, tb, sizeof tb);
    if (!ta[0] || !tb[0]) return ta[0] && !tb[0];
    const int order = std::strcmp(ta, tb);
    return rule.descending ? order > 0 : order < 0;
  });
}

int rowOfSlot(const RowView& view, int slot) {
  for (int row = 0; row < view.count; ++row)
    if (view.slots[row] == slot) return row;
  return -1;
}

int slotOfRow(const RowView& view, int row) { return row >= 0 && row < view.count ? view.slots[row] : -1; }

}  // namespace ui

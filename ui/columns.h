#pragma once
// The list's columns, one table: each with its header, what its cell shows, where its width is kept and
// how a first start fits it. Portable, so that finding and sorting (row_view) read the same cells. A
// column may show a field or anything derived from the row; its index is its place in the table.
#include <cstddef>

#include "settings/preferences.h"
#include "store/board.h"

namespace ui {

constexpr int ColumnCount = 7;
// Room for any cell's text.
constexpr size_t CellSize = store::WrittenSize + 1;

// How a first start sizes a column once the names are loaded: as it is, as wide as the longest name
// (with its icon and bold), the widest of the four states, or a time written.
enum class Fit { asIs, name, states, stamp };

struct Column {
  const char* header;  // CP932
  // The record's width (96-DPI units); null for a column the record has no room for, whose width
  // tavelin.ini keeps under iniKey.
  settings::Le16 settings::Preferences::*width;
  const char* iniKey;
  int defaultWidth;  // a first start's, as the record's defaults have it
  Fit fit;
  // The cell's text for the slot: names are this PC's name list (column 0); bounded by size.
  size_t (*text)(const store::BoardImage& image, const char (*names)[store::NameSize], int slot, char* out,
                 size_t size);
};

const Column& columnAt(int column);
// The columns shown in red when the row is overdue.
bool showsOverdue(int column);

}  // namespace ui

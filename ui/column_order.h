#pragma once
// The list's column order as tavelin.ini keeps it: "0,3,1,2,4,5", the column indexes left to right
// (one digit each: at most ten columns).
#include <cstddef>

#include "ui/columns.h"

namespace ui {

constexpr int OrderColumns = ColumnCount;

// False, leaving order alone, unless the text names each of the columns exactly once.
bool parseColumnOrder(const char* text, int (&order)[OrderColumns]);
void formatColumnOrder(const int (&order)[OrderColumns], char* out, size_t size);

}  // namespace ui

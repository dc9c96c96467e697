#include "ui/column_order.h"

#include <cstdio>

namespace ui {

bool parseColumnOrder(const char* text, int (&order)[OrderColumns]) {
  int read[OrderColumns];
  bool seen[OrderColumns] = {};
  const char* p = text;
  for (int i = 0; i < OrderColumns; ++i) {
    while (*p == ' ') ++p;
    if (*p < '0' || *p >= '0' + OrderColumns || seen[*p - '0']) return false;
    read[i] = *p - '0';
    seen[read[i]] = true;
    ++p;
    while (*p == ' ') ++p;
    if (*p != (i + 1 < OrderColumns ? ',' : '\0')) return false;
    ++p;
  }
  for (int i = 0; i < OrderColumns; ++i) order[i] = read[i];
  return true;
}

void formatColumnOrder(const int (&order)[OrderColumns], char* out, size_t size) {
  std::snprintf(out, size, "%d,%d,%d,%d,%d,%d", order[0], order[1], order[2], order[3], order[4], order[5]);
}

}  // namespace ui

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

static_assert(OrderColumns <= 10, "one digit per column");

void formatColumnOrder(const int (&order)[OrderColumns], char* out, size_t size) {
  size_t at = 0;
  if (size) out[0] = '\0';
  for (int i = 0; i < OrderColumns && at < size; ++i) {
    const int n = std::snprintf(out + at, size - at, i ? ",%d" : "%d", order[i]);
    if (n < 0) return;
    at += static_cast<size_t>(n);
  }
}

}  // namespace ui

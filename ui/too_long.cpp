#include "ui/too_long.h"

#include <cstdio>

namespace ui {

void formatTooLong(const char* label, size_t length, size_t limit, char* out, size_t size) {
  const size_t over = length > limit ? length - limit : 0;
  std::snprintf(out, size,
                "%sが長すぎます。あと全角%zu文字（半角なら%zu文字）減らしてください（全角%zu文字、半角%zu文字まで）。",
                label, (over + 1) / 2, over, limit / 2, limit);
}

}  // namespace ui

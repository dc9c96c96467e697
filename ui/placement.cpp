#include "ui/placement.h"

namespace ui {

namespace {

// One axis: [low, high) of length high - low moved into [areaLow, areaHigh).
void fitAxis(int& low, int& high, int areaLow, int areaHigh) {
  int length = high - low;
  int room = areaHigh - areaLow;
  if (length > room) length = room;
  if (low < areaLow) low = areaLow;
  if (low + length > areaHigh) low = areaHigh - length;
  high = low + length;
}

}  // namespace

Box moveInside(const Box& box, const Box& area) {
  Box out = box;
  fitAxis(out.left, out.right, area.left, area.right);
  fitAxis(out.top, out.bottom, area.top, area.bottom);
  return out;
}

}  // namespace ui

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

Box centredOn(int width, int height, const Box& owner, const Box& area) {
  const int left = owner.left + (owner.right - owner.left - width) / 2;
  const int top = owner.top + (owner.bottom - owner.top - height) / 2;
  return moveInside({left, top, left + width, top + height}, area);
}

Box besideRow(int width, int height, const Box& row, const Box& area) {
  constexpr int Indent = 24;
  const int left = row.left + Indent;
  const int top = row.bottom + height <= area.bottom || row.top - height < area.top ? row.bottom : row.top - height;
  return moveInside({left, top, left + width, top + height}, area);
}

}  // namespace ui

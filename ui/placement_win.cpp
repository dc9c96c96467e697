// The monitor half of placement.h.
#include <windows.h>

#include "ui/placement.h"

namespace ui {

Box placeOnAMonitor(const Box& box) {
  RECT r = {box.left, box.top, box.right, box.bottom};
  if (MonitorFromRect(&r, MONITOR_DEFAULTTONULL)) return box;
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoA(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &info)) return box;
  Box work = {info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
  return moveInside(box, work);
}

}  // namespace ui

// The monitor half of placement.h.
#include <windows.h>

#include "ui/placement.h"

namespace ui {

Box placeOnAMonitor(const Box& box) {
  RECT r = {box.left, box.top, box.right, box.bottom};
  const bool meets = MonitorFromRect(&r, MONITOR_DEFAULTTONULL) != nullptr;
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoA(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &info)) return box;
  Box work = {info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
  // Larger than the monitor (a size saved at 96 DPI, scaled for a denser screen): its title bar's
  // buttons would be off the screen, so it is cut to the work area as well.
  const bool fits = box.right - box.left <= work.right - work.left && box.bottom - box.top <= work.bottom - work.top;
  if (meets && fits) return box;
  return moveInside(box, work);
}

}  // namespace ui

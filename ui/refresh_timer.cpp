#include "ui/refresh_timer.h"

#include "text/waits.h"
#include "ui/resources/resource.h"

namespace ui {

void followRefreshInterval(HWND mainWindow, int minutes) {
  if (minutes == 0)
    KillTimer(mainWindow, IDT_REFRESH);
  else
    SetTimer(mainWindow, IDT_REFRESH, text::timerPeriodMs(minutes), nullptr);
}

}  // namespace ui

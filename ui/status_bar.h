#pragma once
// The status bar: its message part is the core's status line, its time part the time of the last
// good read, in red with a warning once that is older than two refresh intervals.
#include <windows.h>

#include <cstddef>

#include "text/timestamps.h"

namespace ui {

// The bar at the bottom of parent; from now on the status line writes to it.
HWND createStatusBar(HWND parent);
// Lays the bar along the bottom of a client area width x height: the time part as wide as its text,
// the messages in the rest. Returns the bar's height.
int layOutStatusBar(HWND bar, int width, int height);
// The time part: the time of the last good read (info), when it changed.
void showStatusInfo(HWND bar, const char (&info)[text::StatusInfoSize]);
// A refresh interval passed (the timer ticked), whatever its refresh then does.
void refreshPeriodPassed(HWND bar);
// The time part warns, or stops warning, as the age of the last good read says.
void showBoardAge(HWND bar);
// A part at the bar's end says, while it is on, that saves go where no lock file can be made.
void showWritesWithoutLock(HWND bar, bool on);
// WM_DRAWITEM for the bar's time part while it warns; false for anything else.
bool drawStatusPart(const DRAWITEMSTRUCT* item);
// The bar's parent's messages from the share's worker (its texts, a good read); false for any other.
bool onStatusMessage(UINT message);

}  // namespace ui

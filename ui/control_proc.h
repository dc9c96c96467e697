#pragma once
// A control's window procedure with one of ours in front of it.
#include <windows.h>

namespace ui {

// Puts proc in front of the control's own procedure, which is kept in base: every control of a class
// has its class's, and the program makes each kind once per window. Unlike SetWindowSubclass, which
// looks its table up in the control's properties at every message (a round trip to the window server
// under Wine, a sixth of the start's requests), a message costs one call. False when the control could
// not take it. The control stays a Unicode window.
bool frontControl(HWND control, WNDPROC proc, WNDPROC& base);

// What the control's own procedure answers.
LRESULT passOn(WNDPROC base, HWND control, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace ui

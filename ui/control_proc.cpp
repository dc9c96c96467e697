#include "ui/control_proc.h"

namespace ui {

bool frontControl(HWND control, WNDPROC proc, WNDPROC& base) {
  if (!control) return false;
  const LONG_PTR own = GetWindowLongPtrW(control, GWLP_WNDPROC);
  if (!own) return false;
  if (!base) base = reinterpret_cast<WNDPROC>(own);
  // Another class's procedure would be the wrong one to pass messages on to.
  if (reinterpret_cast<WNDPROC>(own) != base) return false;
  return SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)) != 0;
}

LRESULT passOn(WNDPROC base, HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  return base ? CallWindowProcW(base, control, message, wParam, lParam)
              : DefWindowProcW(control, message, wParam, lParam);
}

}  // namespace ui

// A procedure put in front of controls, under Wine: every message reaches the control's own procedure,
// and a control whose own procedure is another is refused rather than given the wrong one.
#include "ui/control_proc.h"

#include <gtest/gtest.h>

namespace {

LRESULT CALLBACK ownA(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  return m == WM_USER ? 'A' : DefWindowProcW(w, m, wp, lp);
}
LRESULT CALLBACK ownB(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  return m == WM_USER ? 'B' : DefWindowProcW(w, m, wp, lp);
}

WNDPROC baseOfA;
int seen;

LRESULT CALLBACK front(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_USER) ++seen;
  return ui::passOn(baseOfA, w, m, wp, lp);
}

HWND windowOf(const wchar_t* kind, WNDPROC proc) {
  WNDCLASSW c = {};
  c.lpfnWndProc = proc;
  c.hInstance = GetModuleHandleW(nullptr);
  c.lpszClassName = kind;
  RegisterClassW(&c);
  // Message-only: the tests run without a display.
  return CreateWindowW(kind, L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, c.hInstance, nullptr);
}

TEST(ControlProc, MessagesPassOnToTheControlsOwnProcedureAndAnotherClassIsRefused) {
  HWND a1 = windowOf(L"FrontTestA", ownA), a2 = windowOf(L"FrontTestA", ownA), b = windowOf(L"FrontTestB", ownB);
  ASSERT_TRUE(a1 && a2 && b);
  ASSERT_TRUE(ui::frontControl(a1, front, baseOfA));
  ASSERT_TRUE(ui::frontControl(a2, front, baseOfA));
  EXPECT_FALSE(ui::frontControl(b, front, baseOfA));
  seen = 0;
  EXPECT_EQ(SendMessageW(a1, WM_USER, 0, 0), 'A');
  EXPECT_EQ(SendMessageW(a2, WM_USER, 0, 0), 'A');
  EXPECT_EQ(SendMessageW(b, WM_USER, 0, 0), 'B');
  EXPECT_EQ(seen, 2);
  EXPECT_TRUE(IsWindowUnicode(a1));
  EXPECT_FALSE(ui::frontControl(nullptr, front, baseOfA));
  DestroyWindow(a1);
  DestroyWindow(a2);
  DestroyWindow(b);
}

}  // namespace

#pragma once
// The one colour the program adds to the system's: what needs attention now.
#include <windows.h>

namespace ui {

constexpr COLORREF AttentionRed = RGB(208, 0, 0);

}  // namespace ui

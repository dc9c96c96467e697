#pragma once
// Lengths kept at 96 DPI (the preferences' widths and window size) and the same lengths on a screen.

namespace ui {

constexpr int BaseDpi = 96;

// a / b rounded to the nearest whole number, halves away from zero.
constexpr int roundedDiv(long long a, long long b) {
  return static_cast<int>(a >= 0 ? (a + b / 2) / b : -((-a + b / 2) / b));
}

// Rounded, not cut: at any dpi from 96 up a length comes back as it went, so a record that only
// passes through a high-DPI screen keeps its numbers.
constexpr int scaled(int length, int dpi) { return roundedDiv(static_cast<long long>(length) * dpi, BaseDpi); }
constexpr int unscaled(int length, int dpi) {
  return dpi > 0 ? roundedDiv(static_cast<long long>(length) * BaseDpi, dpi) : length;
}

}  // namespace ui

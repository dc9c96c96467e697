#pragma once
// The screen's dots per inch as a window sees them, and what is sized by them. The calls that know a
// window's own DPI came with Windows 10; on older Windows the system's DPI serves every window.
#include <windows.h>

#include "ui/dpi_units.h"

namespace ui {

// The DPI the window is shown at: its monitor's under per-monitor awareness, else the system's.
int dpiOf(HWND window);
// GetSystemMetrics for a DPI.
int metricFor(int index, int dpi);

// Owns a font; the controls that use it must be told of a new one before the old one goes.
class Font {
 public:
  Font() = default;
  ~Font() { reset(nullptr); }
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;
  HFONT get() const { return font_; }
  void swap(Font& other) {
    HFONT mine = font_;
    font_ = other.font_;
    other.font_ = mine;
  }
  void reset(HFONT font) {
    if (font_) DeleteObject(font_);
    font_ = font;
  }

 private:
  HFONT font_ = nullptr;
};

// The font Windows gives list and icon texts, at dpi.
HFONT createUiFont(int dpi);

// The width of length bytes of text in the font selected into dc, in pixels; 0 when it cannot be measured.
int textExtent(HDC dc, const char* text, size_t length);
// How wide the text shows in the control's own font, in pixels; 0 when it cannot be measured.
int textWidthIn(HWND control, const char* text);
// The same in another font (my row's bold, say).
int textWidthWith(HWND control, HFONT font, const char* text);
// A program text in UTF-16 for the W drawing calls (the length written, at most outCount - 1): an A call
// converts by the selected font's character set, and a font without the Japanese set shows the CP932
// bytes as Latin letters.
int wideText(const char* text, wchar_t* out, int outCount);

}  // namespace ui

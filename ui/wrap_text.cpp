#include "ui/wrap_text.h"

#include <commctrl.h>

#include "text/wrap.h"
#include "ui/dpi.h"

namespace ui {
namespace {

constexpr int TextSize = 2048;
// Wine's message box gives its text about 300 pixels at 96 DPI, Windows more: our lines stay inside both.
constexpr int MessageBoxLine = 280;

int measure(const char* text, size_t length, void* context) {
  return textExtent(static_cast<HDC>(context), text, length);
}

// The font a control draws with, selected into a DC of its own for as long as this lives.
class ControlDc {
 public:
  explicit ControlDc(HWND control) : control_(control), dc_(GetDC(control)) {
    const auto font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    if (dc_ && font) old_ = SelectObject(dc_, font);
  }
  ~ControlDc() {
    if (!dc_) return;
    if (old_) SelectObject(dc_, old_);
    ReleaseDC(control_, dc_);
  }
  ControlDc(const ControlDc&) = delete;
  ControlDc& operator=(const ControlDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND control_;
  HDC dc_;
  HGDIOBJ old_ = nullptr;
};

// A text set on a wrapped static goes through here: the control keeps the lines that fit it.
LRESULT CALLBACK wrapOnSetText(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (message == WM_NCDESTROY) RemoveWindowSubclass(control, wrapOnSetText, 0);
  if (message != WM_SETTEXT || !lParam) return DefSubclassProc(control, message, wParam, lParam);
  char text[TextSize];
  const bool wide = IsWindowUnicode(control);
  if (wide) {
    if (!WideCharToMultiByte(932, 0, reinterpret_cast<const wchar_t*>(lParam), -1, text, TextSize, nullptr, nullptr))
      return DefSubclassProc(control, message, wParam, lParam);
  } else {
    lstrcpynA(text, reinterpret_cast<const char*>(lParam), TextSize);
  }
  RECT r;
  GetClientRect(control, &r);
  ControlDc dc(control);
  char lines[TextSize];
  if (!dc.get() || r.right <= 1) return DefSubclassProc(control, message, wParam, lParam);
  wrapForWidth(dc.get(), text, r.right - 1, lines, sizeof lines);
  if (!wide) return DefSubclassProc(control, message, wParam, reinterpret_cast<LPARAM>(lines));
  wchar_t wideLines[TextSize];
  if (!MultiByteToWideChar(932, 0, lines, -1, wideLines, TextSize))
    return DefSubclassProc(control, message, wParam, lParam);
  return DefSubclassProc(control, message, wParam, reinterpret_cast<LPARAM>(wideLines));
}

BOOL CALLBACK wrapIfLong(HWND child, LPARAM) {
  char kind[16];
  if (!GetClassNameA(child, kind, sizeof kind) || lstrcmpiA(kind, "Static") != 0) return TRUE;
  const LONG style = GetWindowLongA(child, GWL_STYLE);
  if ((style & SS_TYPEMASK) != SS_LEFT) return TRUE;
  RECT r;
  GetClientRect(child, &r);
  {
    ControlDc dc(child);
    TEXTMETRICA metrics{};
    if (!dc.get() || !GetTextMetricsA(dc.get(), &metrics) || r.bottom < 2 * metrics.tmHeight) return TRUE;
  }
  if (!SetWindowSubclass(child, wrapOnSetText, 0, 0)) return TRUE;
  char text[TextSize];
  if (GetWindowTextA(child, text, sizeof text) > 0) SetWindowTextA(child, text);
  return TRUE;
}

}  // namespace

void wrapForWidth(HDC dc, const char* text, int width, char* out, size_t size) {
  text::wrapLines(text, width, measure, dc, out, size);
}

void wrapDialogTexts(HWND dialog) { EnumChildWindows(dialog, wrapIfLong, 0); }

void wrapForMessageBox(HWND owner, const char* text, char* out, size_t size) {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  HDC dc = GetDC(nullptr);
  HFONT font = SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)
                   ? CreateFontIndirectA(&metrics.lfMessageFont)
                   : nullptr;
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  wrapForWidth(dc, text, scaled(MessageBoxLine, dpiOf(owner)), out, size);
  if (old) SelectObject(dc, old);
  if (font) DeleteObject(font);
  ReleaseDC(nullptr, dc);
}

}  // namespace ui

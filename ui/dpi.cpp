#include "ui/dpi.h"

#include <cstring>

#include "platform/system_library.h"

namespace ui {

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);

// Looked up, not linked: the program still starts on a Windows that lacks them.
template <typename Function>
Function fromUser32(const char* name) {
  return platform::systemFunction<Function>("user32.dll", name);
}

int systemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : BaseDpi;
}

}  // namespace

int dpiOf(HWND window) {
  static const auto forWindow = fromUser32<GetDpiForWindowFn>("GetDpiForWindow");
  const UINT dpi = forWindow && window ? forWindow(window) : 0;
  return dpi ? static_cast<int>(dpi) : systemDpi();
}

int metricFor(int index, int dpi) {
  static const auto forDpi = fromUser32<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
  return forDpi ? forDpi(index, static_cast<UINT>(dpi)) : MulDiv(GetSystemMetrics(index), dpi, systemDpi());
}

HFONT createUiFont(int dpi) {
  static const auto forDpi = fromUser32<SystemParametersInfoForDpiFn>("SystemParametersInfoForDpi");
  LOGFONTW font = {};
  if (!forDpi || !forDpi(SPI_GETICONTITLELOGFONT, sizeof font, &font, 0, static_cast<UINT>(dpi))) {
    SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof font, &font, 0);
    font.lfHeight = MulDiv(font.lfHeight, dpi, systemDpi());
  }
  return CreateFontIndirectW(&font);
}

int wideText(const char* text, wchar_t* out, int outCount) {
  const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, out, outCount);
  if (n > 0) return n - 1;
  out[0] = L'\0';
  return 0;
}

int textWidthIn(HWND control, const char* text) {
  return textWidthWith(control, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), text);
}

int textExtent(HDC dc, const char* text, size_t length) {
  wchar_t wide[2048];
  const int n = length ? MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), wide, 2048) : 0;
  SIZE size = {};
  if (n <= 0 || !GetTextExtentPoint32W(dc, wide, n, &size)) return 0;
  return size.cx;
}

int textWidthWith(HWND control, HFONT font, const char* text) {
  HDC dc = GetDC(control);
  if (!dc) return 0;
  HGDIOBJ old = SelectObject(dc, font);
  const int width = textExtent(dc, text, strnlen(text, 2047));
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return width;
}

}  // namespace ui

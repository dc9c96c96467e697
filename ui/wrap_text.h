#pragma once
// Long texts broken into lines where Japanese allows: Windows itself breaks CP932 text between any two
// double-byte characters, inside words. Each function hands Windows lines that already fit.
#include <windows.h>

#include <cstddef>

namespace ui {

// `text` with a '\n' wherever a line drawn with the font selected into `dc` must end within `width` pixels.
void wrapForWidth(HDC dc, const char* text, int width, char* out, size_t size);
// Every static text of a dialog that has room for more than one line wrapped to its own width in its own
// font, as it stands and whenever its text is set again (call at WM_INITDIALOG).
void wrapDialogTexts(HWND dialog);
// A message box's text wrapped well inside the width message boxes give a text.
void wrapForMessageBox(HWND owner, const char* text, char* out, size_t size);

}  // namespace ui

#pragma once
// What the name list as loaded does to the rows, said once on the notice bar: a list saved as UTF-8
// (every name garbled), names past the 300 the board has rows for, and rows that moved since this PC
// last loaded the list (the plans stay with the rows, so a moved member would read another's).
#include <windows.h>

namespace ui {

// After the names were loaded anew into the board view.
void noteNameList(HWND window);

}  // namespace ui

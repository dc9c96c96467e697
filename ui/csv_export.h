#pragma once
#include <windows.h>

namespace ui {

// ファイル → CSV で保存: the board read again, then every member's row with its overdue and stale
// flags into a file the user names, as UTF-8 with a BOM so that Excel reads it as such.
void exportCsv(HWND window);

}  // namespace ui

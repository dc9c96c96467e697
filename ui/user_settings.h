#pragma once
// This user's settings that the 550-byte preferences record has no room for: tavelin.ini in the
// user's own folder (%APPDATA%\Tavelin). Older PCs never see them; a missing file means the defaults.
#include "store/board.h"
#include "ui/column_order.h"

namespace ui {

// Whether the window was maximised when it was last closed.
bool savedMaximized();
void saveMaximized(bool maximized);
// The column order last saved; false when there is none, or none that makes sense.
bool savedColumnOrder(int (&order)[OrderColumns]);
void saveColumnOrder(const int (&order)[OrderColumns]);
// The width (96-DPI units) of a column the preferences record has no room for, under its key.
int savedColumnWidth(const char* key, int fallback);
void saveColumnWidth(const char* key, int width);
// My name as the name list has it (CP932); empty when none is chosen.
void savedOwnName(char (&name)[store::NameSize]);
void saveOwnName(const char* name);
// The name list as this PC last loaded it, in slot order: how many names were read into names.
int savedNameList(char (*names)[store::NameSize], int max);
void saveNameList(const char (*names)[store::NameSize], int count);
// Whether a save goes ahead where no lock file can be made (a folder that lets this PC write the
// board but not create files): off unless the administrator turned it on, knowing its risk.
bool savedWriteWithoutLock();
void saveWriteWithoutLock(bool on);

}  // namespace ui

#pragma once

namespace ui {

// The slot the entry dialog edits; -1 for none.
extern int selectedRow;

// The entry dialog for selectedRow, owned by the main window. On OK the row is written to the
// board and the list shows the new image.
void openEntryDialog();

}  // namespace ui

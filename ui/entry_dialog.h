#pragma once

namespace ui {

// The entry dialog for store::selectedRow, owned by the main window. On OK the row is written to the
// board and the list shows the new image.
void openEntryDialog();

}  // namespace ui

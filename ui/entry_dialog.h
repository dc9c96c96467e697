#pragma once

namespace ui {

// The entry dialog for store::selectedRow. It comes with its own work; until then a right click
// only records the row.
void openEntryDialog();

}  // namespace ui

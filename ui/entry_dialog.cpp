#include "ui/entry_dialog.h"

namespace ui {

void openEntryDialog() {}

}  // namespace ui

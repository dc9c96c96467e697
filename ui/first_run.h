#pragma once

namespace ui {

// With no preferences yet: the settings must be made before the board can be shown. The settings
// dialog comes with its own work; until then the window only shows the empty columns.
void runFirstRunFlow();

}  // namespace ui

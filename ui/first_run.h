#pragma once

namespace ui {

// With no preferences yet: the settings come first, owned by no window; the program then ends, and the
// preferences are saved only when 設定 was pressed.
void runFirstRunFlow();

// The settings from the menu: settings, the restart notice, then the end of the program whatever was
// pressed (the name list is read only at start-up).
void runSettingsCommand();

}  // namespace ui

#pragma once
// What the window works on: this PC's records, the entry history and the share. app.cpp makes them
// once, at start, and saves the records at the end.
#include "settings/history.h"
#include "settings/preferences.h"
#include "store/share.h"

namespace ui {

settings::Local& local();
settings::EntryHistory& history();
store::Share& share();

// The preferences' two paths copied into the share: at start, and whenever the settings change them.
void sharePathsFromPrefs();

}  // namespace ui

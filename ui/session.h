#pragma once
// What the window works on: this PC's records, the entry history and the share. session.cpp makes
// them once, on first use; app.cpp loads them at start and saves the records at the end.
#include "settings/history.h"
#include "settings/preferences.h"
#include "store/share.h"

namespace ui {

settings::Local& local();
settings::EntryHistory& history();
store::Share& share();

}  // namespace ui

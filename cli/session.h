#pragma once
// What the one command of a tavelin-cli process works on: this PC's records and the share. main.cpp
// makes them once, at start; the tests give their own.
#include "settings/preferences.h"
#include "store/share.h"

namespace cli {

settings::Local& local();
store::Share& share();

}  // namespace cli

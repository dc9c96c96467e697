#pragma once
// What identifies the program: its module, and the class and title by which a second start finds the first.
#include <windows.h>

#include "version.h"

namespace ui {

constexpr char ClassName[] = "Tavelin";
constexpr char Title[] = TAVELIN_TITLE;

extern HINSTANCE instance;

}  // namespace ui

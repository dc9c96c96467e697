#pragma once
// What the name list as loaded does to the rows, said once on the notice bar: a list saved as UTF-8
// (every name garbled), names past the 300 the board has rows for, and rows that moved since this PC
// last loaded the list (the plans stay with the rows, so a moved member would read another's).
#include <windows.h>

#include "store/board.h"

namespace ui {

// What the window remembers of the name list between loads, zero at its start.
struct NameListNotes {
  // Each said once a run: the member cannot change the list, only pass it on.
  bool saidUtf8, saidIgnored;
  // The names as last loaded here: from tavelin.ini at the first load, then as loaded since.
  bool knownRead;
  char known[store::MaxMembers][store::NameSize];
  int knownCount;
};

// After the names were loaded anew into the board view.
void noteNameList(HWND window, NameListNotes& notes);

}  // namespace ui
